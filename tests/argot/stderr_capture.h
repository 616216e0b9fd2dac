// Captures what the process writes to its standard error stream.
#pragma once

#include <string>

// While alive, file descriptor 2 (and with it the C stderr stream) writes to a
// temporary file; Finish() puts the stream back and returns what was written.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    std::string Finish();

private:
    void Restore();

    std::string path_;
    int savedDescriptor_ = -1;
};
