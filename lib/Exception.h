#pragma once
// The library's exception family. Only folder creation and file-size queries throw
// (see Path.h); everything else returns result codes.
// Every thrown class can rethrow a copy of itself through Throw(), so a caller holding
// a base reference can raise the exact object again.

#include <stdexcept>
#include <string>

namespace lib {

// Common empty base: catch(const lib::Exception&) takes every library exception.
class Exception {};

class RuntimeException : public std::runtime_error, public Exception {
public:
    RuntimeException() : std::runtime_error("") {}
    explicit RuntimeException(const std::string& message) : std::runtime_error(message) {}
    RuntimeException(const RuntimeException&) = default;
    ~RuntimeException() override = default;
    virtual void Throw() const { throw *this; }
};

class IOException : public RuntimeException {
public:
    IOException() = default;
    explicit IOException(const std::string& message) : RuntimeException(message) {}
    IOException(const IOException&) = default;
    ~IOException() override = default;
    void Throw() const override { throw *this; }
};

class FileNotFoundException : public IOException {
public:
    FileNotFoundException() = default;
    explicit FileNotFoundException(const std::string& message) : IOException(message) {}
    FileNotFoundException(const FileNotFoundException&) = default;
    ~FileNotFoundException() override = default;
    void Throw() const override { throw *this; }
};

class LogicalException : public std::logic_error, public Exception {
public:
    LogicalException() : std::logic_error("") {}
    explicit LogicalException(const std::string& message) : std::logic_error(message) {}
    LogicalException(const LogicalException&) = default;
    ~LogicalException() override = default;
    virtual void Throw() const { throw *this; }
};

// Spelt so on purpose: callers know it by this name.
class IlligalArgumentException : public LogicalException {
public:
    IlligalArgumentException() = default;
    explicit IlligalArgumentException(const std::string& message) : LogicalException(message) {}
    IlligalArgumentException(const IlligalArgumentException&) = default;
    ~IlligalArgumentException() override = default;
    void Throw() const override { throw *this; }
};

} // namespace lib
