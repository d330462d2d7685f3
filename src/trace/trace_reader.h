// The reading pass over the trace files: lines are dispatched by opcode to the
// accumulation of tests, file-parts and hits, and to the cleaned trace output.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "support/input_file.h"
#include "support/run_settings.h"
#include "trace/hit_line_scanner.h"
#include "trace/test_state.h"
#include "trace/trace_events.h"

class HitRecorder;
class LineReader;

class TraceReader {
public:
  /// The events go to the run being served (may be null); `runTime` dates the
  /// merged cleaned section.
  TraceReader(HitRecorder &recorder, const RunSettings &options, TraceEvents *events,
              std::time_t runTime);
  ~TraceReader();
  TraceReader(const TraceReader &) = delete;
  TraceReader &operator=(const TraceReader &) = delete;

  /// Reads every trace file in order, then runs the end-of-reading steps: the last
  /// cleaned section, closing the last test (or the no-test warning), the end of
  /// the CIO records, the run's count orientation and, when global is false, the
  /// warnings about -TEST/-EXTEST names that matched no test.
  void run(const std::vector<InputFile> &traceFiles);
  /// The same for files read under their own names.
  void run(const std::vector<std::string> &traceFiles);
  /// After the conclusion: the merged cleaned section (-MERGETESTS) and closing
  /// the cleaned trace file (-CLEAN).
  void finishCleanedOutput();

  /// Whether plain hit lines are taken straight from the read buffer (the
  /// default) rather than line by line; both read every line alike.
  void setHitLineScanning(bool enabled);
  /// Which implementation scans them (the fastest one available by default).
  void setHitScanPath(HitScanPath path);
  /// Whether the threads that read trace files ahead also decode part of each
  /// block (the default; never with the plain path).
  void setBlockPreparing(bool enabled);
  /// The reader of the trace files' lines, to tune how they are read (block
  /// size, reading ahead) before run; the defaults suit real runs.
  LineReader &lineReader();

  const TestState &state() const;
  /// Recomputes the effective type set (requested, else union of the files' types).
  void resetTypeSet();

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
