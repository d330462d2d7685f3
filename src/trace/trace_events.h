// What the reading pass tells the run it serves: a test ended, a group of tests
// ended, the traces ended. The run decides what each of its outputs writes then.
#pragma once

class TraceEvents {
public:
  virtual ~TraceEvents() = default;
  /// A selected test has ended; its modified conditions are evaluated and its
  /// hits (testCovered, hits) are still in the model.
  virtual void testEnded() = 0;
  /// The group number changed at a test start (after the previous test ended),
  /// or the traces ended while a group number was set.
  virtual void groupEnded() = 0;
  /// The last trace file was read and the last test has ended.
  virtual void tracesEnded() = 0;
  /// Whether the hits of each test must be kept apart (reset when the next test
  /// begins); otherwise they accumulate over the run.
  virtual bool keepsTestHits() const = 0;
  /// Whether the outputs clear FlagHitSinceLook of the items they look at when a test
  /// ends (as the CIO file does): the modified conditions found hit in earlier
  /// tests are then marked again at the end of each test.
  virtual bool clearsHitFlags() const { return true; }
};
