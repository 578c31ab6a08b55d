// The probe's command line, subject-line escapes, UTF-8 decoding and JSON form.
#include "regex/testing/probe.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace rxprobe {

namespace {

const char kUsage[] = "usage: rxprobe [--wide] [--flags N] PATTERN\n";

bool parseFlags(const std::string& text, int* flags) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (errno != 0 || value > INT_MAX) return false;
  *flags = static_cast<int>(value);
  return true;
}

int hexDigit(uint32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// \u{H...}: 1 to 8 hex digits; i is just after the 'u'.
template <class Line>
bool readBracedHex(const Line& line, size_t* i, uint32_t* value) {
  if (*i >= line.size() || static_cast<uint32_t>(line[*i]) != '{') return false;
  size_t j = *i + 1;
  uint64_t v = 0;
  int digits = 0;
  for (; j < line.size() && hexDigit(static_cast<uint32_t>(line[j])) >= 0; ++j, ++digits) {
    v = v * 16 + static_cast<uint64_t>(hexDigit(static_cast<uint32_t>(line[j])));
  }
  if (digits < 1 || digits > 8 || j >= line.size() || static_cast<uint32_t>(line[j]) != '}') return false;
  *i = j + 1;
  *value = static_cast<uint32_t>(v);
  return true;
}

template <class Line>
bool unescape(const Line& line, Line* out, bool wide) {
  using Char = typename Line::value_type;
  out->clear();
  for (size_t i = 0; i < line.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(line[i]));
    if (c != '\\') {
      *out += line[i];
      continue;
    }
    if (++i >= line.size()) return false;
    uint32_t e = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(line[i]));
    uint32_t value = 0;
    if (e == '\\') {
      value = '\\';
    } else if (e == 'n') {
      value = '\n';
    } else if (e == 'r') {
      value = '\r';
    } else if (e == 't') {
      value = '\t';
    } else if (e == '0') {
      value = 0;
    } else if (e == 'x' && i + 2 < line.size() && hexDigit(static_cast<uint32_t>(line[i + 1])) >= 0 &&
               hexDigit(static_cast<uint32_t>(line[i + 2])) >= 0) {
      value = static_cast<uint32_t>(hexDigit(static_cast<uint32_t>(line[i + 1])) * 16 +
                                    hexDigit(static_cast<uint32_t>(line[i + 2])));
      i += 2;
    } else if (e == 'u' && wide) {
      ++i;
      if (!readBracedHex(line, &i, &value)) return false;
      --i;
    } else {
      return false;
    }
    *out += static_cast<Char>(value);
  }
  return true;
}

void appendPair(std::string& json, int a, int b) {
  json += '[' + std::to_string(a) + ',' + std::to_string(b) + ']';
}

bool readLine(std::FILE* in, std::string* line) {
  line->clear();
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n') return true;
    *line += static_cast<char>(c);
  }
  return !line->empty();
}

template <class Char>
int probeLines(const Options& options, const std::basic_string<Char>& patternText, std::FILE* in,
               std::FILE* out, bool (*toSubject)(const std::string&, std::basic_string<Char>*)) {
  std::unique_ptr<BasicPattern<Char>> pattern = BasicPattern<Char>::create(patternText, options.flags);
  if (!pattern) {
    (void)std::fputs("{\"compiled\":false}\n", out);
    return kExitNoCompile;
  }
  std::string line;
  std::basic_string<Char> subject;
  while (readLine(in, &line)) {
    if (!toSubject(line, &subject)) {
      (void)std::fprintf(stderr, "rxprobe: bad subject line: %s\n", line.c_str());
      return kExitUsage;
    }
    std::string json = describeSubject(*pattern, subject);
    json += '\n';
    (void)std::fwrite(json.data(), 1, json.size(), out);
    (void)std::fflush(out);
  }
  return kExitOk;
}

bool narrowSubject(const std::string& line, std::string* subject) { return unescapeLine(line, subject); }

bool wideSubject(const std::string& line, std::wstring* subject) {
  std::wstring decoded;
  return decodeUtf8(line, &decoded) && unescapeLine(decoded, subject, true);
}

}  // namespace

bool parseArgs(const std::vector<std::string>& args, Options* options, std::string* error) {
  size_t i = 0;
  for (; i < args.size(); ++i) {
    if (args[i] == "--wide") {
      options->wide = true;
    } else if (args[i] == "--flags") {
      if (++i >= args.size() || !parseFlags(args[i], &options->flags)) {
        *error = std::string("rxprobe: --flags needs a decimal number\n") + kUsage;
        return false;
      }
    } else if (args[i] == "--") {
      ++i;
      break;
    } else {
      break;
    }
  }
  if (args.size() - i != 1) {
    *error = kUsage;
    return false;
  }
  options->pattern = args[i];
  return true;
}

bool decodeUtf8(const std::string& bytes, std::wstring* out) {
  out->clear();
  for (size_t i = 0; i < bytes.size();) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= bytes.size()) return false;
    uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      unsigned char cont = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
      if ((cont & 0xC0) != 0x80) return false;
      c = (c << 6) | (cont & 0x3F);
    }
    static const uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    *out += static_cast<wchar_t>(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

bool unescapeLine(const std::string& line, std::string* out) { return unescape(line, out, false); }

bool unescapeLine(const std::wstring& line, std::wstring* out, bool wide) {
  return unescape(line, out, wide);
}

template <class Char>
std::string describeSubject(BasicPattern<Char>& pattern, const std::basic_string<Char>& subject) {
  std::unique_ptr<BasicPatternMatcher<Char>> matcher = pattern.newMatcher(subject);
  bool whole = matcher->matchWhole();
  bool limit = matcher->limitExceeded();
  std::string json = whole ? "{\"whole\":true,\"groups\":[" : "{\"whole\":false,\"groups\":null";
  if (whole) {
    for (int i = 0; i < pattern.groupCount(); ++i) {
      if (i > 0) json += ',';
      appendPair(json, matcher->groupStart(i), matcher->groupEnd(i));
    }
    json += ']';
  }
  json += ",\"finds\":[";
  matcher->rewind();
  for (int n = 0; n < kMaxFinds && matcher->findNext(); ++n) {
    if (n > 0) json += ',';
    appendPair(json, matcher->groupStart(0), matcher->groupEnd(0));
  }
  limit = limit || matcher->limitExceeded();
  json += limit ? "],\"limit\":true}" : "]}";
  return json;
}

template std::string describeSubject<char>(Pattern&, const std::string&);
template std::string describeSubject<wchar_t>(WidePattern&, const std::wstring&);

int runProbe(const Options& options, std::FILE* in, std::FILE* out) {
  if (!options.wide) return probeLines<char>(options, options.pattern, in, out, narrowSubject);
  std::wstring pattern;
  if (!decodeUtf8(options.pattern, &pattern)) {
    (void)std::fputs("rxprobe: the pattern is not valid UTF-8\n", stderr);
    return kExitUsage;
  }
  return probeLines<wchar_t>(options, pattern, in, out, wideSubject);
}

}  // namespace rxprobe
