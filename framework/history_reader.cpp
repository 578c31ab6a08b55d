// The run history's reader: bounded reads of the files, records told from
// the lines that are not, and each run's records paired by run_id.
#include "framework/history_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

#include "framework/history_file.h"
#include "framework/history_record.h"
#include "support/line_reader.h"

namespace {

// Records nest a few levels; a line nested deeper is not one of ours, and
// is never built (the library copies and prints by recursion).
constexpr int kMaxRecordDepth = 16;

struct StoredRecord {
  std::string line;
  std::string runId;
  bool started = false;
};

bool parseRecord(std::string line, StoredRecord& record) {
  using nlohmann::json;
  bool tooDeep = false;
  const json::parser_callback_t bound = [&tooDeep](int depth, json::parse_event_t event, json&) {
    if (event != json::parse_event_t::object_start && event != json::parse_event_t::array_start) return true;
    if (depth < kMaxRecordDepth) return true;
    tooDeep = true;
    return false;
  };
  const json value = json::parse(line, bound, false);
  if (tooDeep || !value.is_object()) return false;
  const auto phase = value.find("phase");
  const auto runId = value.find("run_id");
  if (phase == value.end() || runId == value.end() || !runId->is_string()) return false;
  if (runId->get_ref<const std::string&>().empty()) return false;
  if (*phase != "started" && *phase != "ended") return false;
  record.started = *phase == "started";
  record.runId = runId->get<std::string>();
  record.line = std::move(line);
  return true;
}

std::string openFailure(int error) {
  if (error == ELOOP) return "is a symbolic link";
  return std::string("cannot be opened: ") + std::strerror(error);
}

// Starts reading at the last kHistoryReadBytes of a longer file, past the
// line that the start falls into.
bool skipToTail(int fd, off_t size, bool& partialFirstLine) {
  partialFirstLine = false;
  if (size <= static_cast<off_t>(kHistoryReadBytes)) return true;
  const off_t start = size - static_cast<off_t>(kHistoryReadBytes);
  char before = '\n';
  if (::pread(fd, &before, 1, start - 1) != 1) return false;
  partialFirstLine = before != '\n';
  return ::lseek(fd, start, SEEK_SET) == start;
}

class FileReader {
 public:
  FileReader(HistoryRead& read, std::vector<StoredRecord>& records) : read_(read), records_(records) {}

  void read(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0 && errno == ENOENT) return;
    read_.found = true;
    if (fd < 0) return note(path, openFailure(errno));
    (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
    readOpen(fd, path);
    (void)::close(fd);
  }

 private:
  void readOpen(int fd, const std::string& path) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return note(path, "is not a regular file");
    bool partialFirstLine = false;
    if (!skipToTail(fd, info.st_size, partialFirstLine)) return note(path, "cannot be read");
    // A line one byte longer than a record is one that a guard ended.
    LineReader lines(fd, kHistoryRecordBytes + 1, kHistoryReadBytes);
    std::string line;
    for (bool first = true; lines.next(line); first = false) {
      if (first && partialFirstLine) continue;
      StoredRecord record;
      if (parseRecord(line, record)) {
        records_.push_back(std::move(record));
      } else if (!line.empty()) {
        ++read_.skippedLines;
      }
    }
  }

  void note(const std::string& path, const std::string& why) {
    if (!read_.problem.empty()) read_.problem += "; ";
    read_.problem += path + " " + why;
  }

  HistoryRead& read_;
  std::vector<StoredRecord>& records_;
};

// Pairs in file order: an "ended" record joins the latest run of its id that
// has none yet; anything else starts a run of its own.
std::vector<HistoryRun> pairRuns(std::vector<StoredRecord>& records) {
  std::vector<HistoryRun> runs;
  std::map<std::string, std::size_t> open;
  for (StoredRecord& record : records) {
    const auto waiting = open.find(record.runId);
    if (!record.started && waiting != open.end()) {
      runs[waiting->second].ended = std::move(record.line);
      open.erase(waiting);
      continue;
    }
    HistoryRun run;
    run.runId = record.runId;
    if (record.started) {
      run.started = std::move(record.line);
      open[record.runId] = runs.size();
    } else {
      run.ended = std::move(record.line);
    }
    runs.push_back(std::move(run));
  }
  return runs;
}

HistoryRead readFiles(const std::vector<std::string>& paths, std::size_t count) {
  HistoryRead read;
  std::vector<StoredRecord> records;
  FileReader reader(read, records);
  for (const std::string& path : paths) reader.read(path);
  read.runs = pairRuns(records);
  if (read.runs.size() > count)
    read.runs.erase(read.runs.begin(), read.runs.end() - static_cast<std::ptrdiff_t>(count));
  return read;
}

HistoryRead safely(const std::vector<std::string>& paths, std::size_t count) {
  try {
    return readFiles(paths, count);
  } catch (...) {
  }
  HistoryRead failed;
  failed.found = true;
  try {
    failed.problem = "the run history could not be read: out of memory";
  } catch (...) {
  }
  return failed;
}

}  // namespace

HistoryRead readHistoryFiles(const std::vector<std::string>& paths, std::size_t count) {
  return safely(paths, count);
}

// The older file is read only when the current one does not hold enough
// runs; read with it, a run that began before the rename keeps both records.
HistoryRead readHistory(std::size_t count) {
  HistoryRead current = safely({historyPath()}, count);
  if (current.runs.size() >= count) return current;
  HistoryRead both = safely({olderHistoryPath(), historyPath()}, count);
  if (!both.found) both.found = current.found;
  return both;
}
