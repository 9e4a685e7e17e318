// libFuzzer target: the web service's request handling (serve/Service.h) on arbitrary
// requests over a small data set. No input may crash it, leak, or give an answer that is
// not a valid HTTP status with (where it has a body) valid JSON or metrics text.
//
// Input, split at LF: method, path, query ("key=value" pairs split at '&', not decoded),
// Content-Type, If-None-Match, Origin, then the body (the rest, LFs included).

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "core/text/SjisText.h"
#include "serve/Service.h"

using namespace tanzel;

namespace {

Service* service = nullptr;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string KenLine(const char* postal, const char* townKana, const char* town) {
  std::string utf8 = std::string("13101,\"100  \",\"") + postal + "\",\"トウキョウト\",\"チヨダク\",\"" + townKana +
                     "\",\"東京都\",\"千代田区\",\"" + town + "\",0,0,0,0,0,0\r\n";
  return *Utf8ToSjis(utf8);
}

std::string_view Take(std::string_view& rest) {
  std::size_t lf = rest.find('\n');
  std::string_view field = rest.substr(0, lf);
  rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/fuzz_serve.XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  std::string data = std::string(folder) + "/";
  char name[32];
  for (int p = 1; p <= 47; ++p) {
    std::snprintf(name, sizeof name, "KEN%02d.CSV", p);
    WriteFile(data + name, p != 13 ? std::string()
                                   : KenLine("1000000", "イカニケイサイガナイバアイ", "以下に掲載がない場合") +
                                         KenLine("1000001", "チヨダ", "千代田") +
                                         KenLine("1000005", "マルノウチ(1-3チョウメ)", "丸の内（１〜３丁目）"));
    std::snprintf(name, sizeof name, "JIG%02d.CSV", p);
    WriteFile(data + name, "");
  }
  WriteFile(data + "EDITION", "2026-05-26\n");
  static Service instance(ServiceOptions{data, {"https://a.example"}});
  service = &instance;
  if (!service->Ready()) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(input), size);
  Request request;
  request.method = Take(rest);
  request.path = Take(rest);
  std::string_view query = Take(rest);
  request.targetBytes = request.path.size() + query.size() + 1;
  while (!query.empty()) {
    std::size_t amp = query.find('&');
    std::string_view pair = query.substr(0, amp);
    query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
    std::size_t eq = pair.find('=');
    request.query.emplace_back(std::string(pair.substr(0, eq)),
                               eq == std::string_view::npos ? std::string() : std::string(pair.substr(eq + 1)));
  }
  request.contentType = Take(rest);
  request.ifNoneMatch = Take(rest);
  request.origin = Take(rest);
  request.body = rest;
  Response response = service->Handle(request);
  if (response.status < 200 || response.status > 599) std::abort();
  if (response.contentType == "application/json" && !nlohmann::json::accept(response.body)) std::abort();
  return 0;
}
