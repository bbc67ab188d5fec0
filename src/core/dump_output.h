#pragma once

// Where the dump of every nav record goes: standard output in the program, a collector in a
// test that wants the text without the process's standard output.

#include <string>

namespace nerivo {

class DumpOutput {
public:
    virtual ~DumpOutput() = default;
    // One record's dump, whole.
    virtual void write(const std::string& text) = 0;
};

// Standard output, flushed after each record so a pipe or a file sees every record whole.
class StandardOutputDump : public DumpOutput {
public:
    void write(const std::string& text) override;
};

} // namespace nerivo
