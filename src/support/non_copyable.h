// A base for the classes that own something that must not be owned twice (a file,
// a folder, held signals, the model's records): they can be neither copied nor
// assigned.
#pragma once

class NonCopyable {
public:
  NonCopyable(const NonCopyable &) = delete;
  NonCopyable &operator=(const NonCopyable &) = delete;

protected:
  NonCopyable() = default;
  ~NonCopyable() = default;
};
