// Exception classes of the program. Every error the program raises derives from Exception and
// carries a message in the program's own words (UTF-8).
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

#define KV_DECLARE_EXCEPTION(Name, Base)                 \
  class Name : public Base {                             \
  public:                                                \
    explicit Name(std::string message) : Base(std::move(message)) {} \
  };

// Streams and files.
KV_DECLARE_EXCEPTION(EStreamError, Exception)
KV_DECLARE_EXCEPTION(EReadError, EStreamError)
KV_DECLARE_EXCEPTION(EWriteError, EStreamError)
KV_DECLARE_EXCEPTION(EFOpenError, EStreamError)
KV_DECLARE_EXCEPTION(EFCreateError, EStreamError)
KV_DECLARE_EXCEPTION(EInOutError, Exception)
// Numbers and conversions.
KV_DECLARE_EXCEPTION(EConvertError, Exception)
KV_DECLARE_EXCEPTION(EIntOverflow, Exception)
KV_DECLARE_EXCEPTION(ERangeError, Exception)
KV_DECLARE_EXCEPTION(EZeroDivide, Exception)
KV_DECLARE_EXCEPTION(EInvalidOperation, Exception)
KV_DECLARE_EXCEPTION(EOutOfResources, Exception)
KV_DECLARE_EXCEPTION(EOutOfMemory, Exception)
KV_DECLARE_EXCEPTION(EListError, Exception)
// Pictures.
KV_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
KV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
KV_DECLARE_EXCEPTION(EBitmapError, Exception)
// Ini files.
KV_DECLARE_EXCEPTION(EIniFileException, Exception)
// A command stopped on purpose after its message has been shown; handlers swallow it silently.
KV_DECLARE_EXCEPTION(EAbort, Exception)

// The text of the exception currently being handled, for catch (...) blocks.
std::string CurrentExceptionMessage();
