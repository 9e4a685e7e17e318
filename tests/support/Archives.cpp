#include "support/Archives.h"

#include <zip.h>

#include <fstream>
#include <sstream>

#include "support/Sjis.h"

bool WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries,
              std::time_t mtime, bool compressed) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!z) return false;
  for (const auto& [name, data] : entries) {
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    zip_int64_t index = src ? zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      zip_source_free(src);
      zip_discard(z);
      return false;
    }
    auto i = static_cast<zip_uint64_t>(index);
    if (!compressed) zip_set_file_compression(z, i, ZIP_CM_STORE, 0);
    if (mtime != 0) zip_file_set_mtime(z, i, mtime, 0);
  }
  return zip_close(z) == 0;
}

std::string ReadZipEntry(const std::string& path, const std::string& name) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) return {};
  std::string bytes;
  zip_stat_t st;
  if (zip_stat(z, name.c_str(), 0, &st) == 0) {
    if (zip_file_t* f = zip_fopen(z, name.c_str(), 0)) {
      bytes.resize(st.size);
      zip_int64_t n = zip_fread(f, bytes.data(), bytes.size());
      bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
      zip_fclose(f);
    }
  }
  zip_discard(z);
  return bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::time_t LocalNoon(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

std::string Joined(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& f : fields) line += (line.empty() ? "" : ",") + f;
  return line;
}

std::string Quoted(const char* code) {
  return std::string("\"") + code + "\"";
}

// Rewrites every line (CR LF kept) through `edit`, which may change the fields, drop the
// line (return false) or add lines after it.
template <typename Edit>
std::string Rewrite(const std::string& csv, Edit edit) {
  std::string out;
  std::size_t pos = 0;
  while (pos < csv.size()) {
    std::size_t lf = csv.find('\n', pos);
    std::size_t end = lf == std::string::npos ? csv.size() : lf + 1;
    std::string line = csv.substr(pos, end - pos);
    pos = end;
    std::string tail = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0 ? "\r\n" : "";
    std::vector<std::string> fields = Fields(line.substr(0, line.size() - tail.size()));
    std::string extra;
    if (edit(fields, extra)) out += Joined(fields) + tail;
    out += extra;
  }
  return out;
}

}  // namespace

std::string MakeAlteredArchives(const std::string& archives, const std::string& folder, int dropPrefecture) {
  std::string ken = ReadZipEntry(archives + "/ken_all.zip", "KEN_ALL.CSV");
  std::string jig = ReadZipEntry(archives + "/jigyosyo.zip", "JIGYOSYO.CSV");
  if (ken.empty() || jig.empty()) return "cannot read Japan Post's archives in " + archives;
  using namespace altered;
  ken = Rewrite(ken, [&](std::vector<std::string>& f, std::string& extra) {
    if (f.size() < 9) return true;
    if (dropPrefecture != 0 && std::atoi(f[0].c_str()) / 1000 == dropPrefecture) return false;
    for (const char* code : kKenRemoved)
      if (f[2] == Quoted(code)) return false;
    if (f[2] == Quoted(kKenChanged)) f[8] = "\"" + S("変更町") + "\"";
    if (f[2] == Quoted("1000004")) {
      for (const char* code : kKenAdded) {
        std::vector<std::string> copy = f;
        copy[2] = Quoted(code);
        extra += Joined(copy) + "\r\n";
      }
    }
    return true;
  });
  jig = Rewrite(jig, [&](std::vector<std::string>& f, std::string& extra) {
    if (f.size() < 8) return true;
    if (f[7] == Quoted(kJigRemoved)) return false;
    if (f[7] == Quoted(kJigChanged)) f[2] = "\"" + S("変更事業所") + "\"";
    if (f[7] == Quoted("1008065")) {
      std::vector<std::string> copy = f;
      copy[7] = Quoted(kJigAdded);
      extra += Joined(copy) + "\r\n";
    }
    return true;
  });
  std::time_t when = LocalNoon(2026, 6, 26);
  if (!WriteZip(folder + "/ken_all.zip", {{"KEN_ALL.CSV", ken}}, when) ||
      !WriteZip(folder + "/jigyosyo.zip", {{"JIGYOSYO.CSV", jig}}, when))
    return "cannot write the altered archives into " + folder;
  return {};
}
