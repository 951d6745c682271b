// The framework's exception classes. Every error the framework or the
// program raises derives from Exception; the application object shows its
// Message in the exception box (see Application.h).
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
};

// Raised when the platform has no resource left (for example no timer).
class EOutOfResources : public Exception {
public:
  using Exception::Exception;
};

// Raised by the thread object on misuse (for example a synchronised call
// while the main thread waits for that very thread).
class EThread : public Exception {
public:
  using Exception::Exception;
};

// Raised by controls when an operation cannot be carried out (for example
// text that the edit control refuses).
class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

// The silent exception: it unwinds like any other but the application drops
// it without showing a box.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
};
