#include "flow/flow_output.h"

#include "support/messages.h"

FlowOutput::FlowOutput(std::FILE *out, QString fileName)
    : out_(out), fileName_(std::move(fileName)), replaced_(setHeldOutput(this)),
      block_(new char[kBlockSize]), next_(block_.get()), end_(block_.get() + kBlockSize) {}

FlowOutput::~FlowOutput() {
  setHeldOutput(replaced_);
}

void FlowOutput::flush() {
  const std::size_t pending = static_cast<std::size_t>(next_ - block_.get());
  if (pending == 0) return;
  next_ = block_.get();
  if (std::fwrite(block_.get(), 1, pending, out_) != pending) checkStream();
}

void FlowOutput::appendLong(std::string_view text) {
  flush();
  if (text.size() <= kBlockSize) {
    std::memcpy(next_, text.data(), text.size());
    next_ += text.size();
  } else if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) {
    checkStream();
  }
}

void FlowOutput::finish() {
  flush();
  std::fflush(out_);
  checkStream();
}

void FlowOutput::checkStream() {
  if (std::ferror(out_))
    reportFatal(
        tr("Fatal Error", "Cannot write to file %1", "%1 is the name of the flow output file")
            .arg(fileName_));
}
