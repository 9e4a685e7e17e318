#include "support/TempData.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

TempData::TempData(std::size_t minFolderLength) {
  while (folder().size() < minFolderLength) sub_ += std::string(60, 'd') + "/";
  if (!QDir().mkpath(QString::fromStdString(folder()))) sub_.clear();
}

bool TempData::write(const std::string& name, std::string_view bytes) const {
  std::FILE* f = std::fopen(path(name).c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool TempData::writeNotAFile(const std::string& name, NotAFile kind) const {
  const std::string at = path(name);
  ::unlink(at.c_str());
  switch (kind) {
    case NotAFile::Fifo:
      return ::mkfifo(at.c_str(), 0600) == 0;
    case NotAFile::Folder:
      return ::mkdir(at.c_str(), 0700) == 0;
    case NotAFile::LinkToDevZero:
      return ::symlink("/dev/zero", at.c_str()) == 0;
    case NotAFile::LinkToFifo:
      ::unlink((at + ".fifo").c_str());
      return ::mkfifo((at + ".fifo").c_str(), 0600) == 0 && ::symlink((name + ".fifo").c_str(), at.c_str()) == 0;
  }
  return false;
}

void TempData::writeEmptyPrefectures() const {
  for (int p = 1; p <= 47; ++p) {
    write(KenName(p), "");
    write(JigName(p), "");
  }
}

std::string KenName(int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "KEN%02d.CSV", pref);
  return name;
}

std::string JigName(int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "JIG%02d.CSV", pref);
  return name;
}

FifoKnocker::FifoKnocker(std::string path)
    : thread_([this, path = std::move(path)] {
        while (!stop_.load()) {
          // Succeeds only while a reader has the FIFO open (or waits in opening it).
          int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
          if (fd >= 0) {
            ::close(fd);
            ++knocks_;
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      }) {}

FifoKnocker::~FifoKnocker() {
  stop_.store(true);
  thread_.join();
}

std::string FileBytes(const std::string& path, bool* found) {
  std::ifstream in(path, std::ios::binary);
  if (found) *found = in.good();
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> FolderSnapshot(const std::string& folder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink()) {
      files[name] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      files[name + "/"] = {};
    } else if (it->is_regular_file()) {
      std::ifstream in(it->path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      files[name] = bytes.str();
    }
  }
  return files;
}

void EmptyDataFolder::Remove(const std::string& name) const {
  QFile::remove(QString::fromStdString(dir.path(name)));
}

std::string FileSha256(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&f);
  return hash.result().toHex().toStdString();
}

bool WriteEdition(const std::string& data, const std::string& id, std::string_view ken13, const std::string& date) {
  const std::string folder = data + "editions/" + id + "/";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  auto put = [&](const std::string& name, std::string_view bytes) {
    std::ofstream out(folder + name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
  };
  bool ok = put("EDITION", date + "\n");
  for (int p = 1; p <= 47; ++p) ok = put(KenName(p), p == 13 ? ken13 : std::string_view()) && put(JigName(p), "") && ok;
  return ok;
}

bool UseEdition(const std::string& data, const std::string& id) {
  const std::string fresh = data + ".current.new";
  ::unlink(fresh.c_str());
  return ::symlink(("editions/" + id).c_str(), fresh.c_str()) == 0 &&
         ::rename(fresh.c_str(), (data + "current").c_str()) == 0;
}
