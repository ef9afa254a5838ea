// A write-only Qt device over the atomic writer, for Qt writers that stream (the PDF writer): the bytes go
// to the temporary file beside the target as they come, and the target is replaced only by Finish.
#pragma once

#include "model/AtomicFile.h"

#include <QIODevice>

#include <string>

namespace tsm {

class StreamedFileDevice : public QIODevice {
public:
    explicit StreamedFileDevice(std::string path);

    // Makes the temporary file. A device that cannot open stays closed, so that a painter on it cannot
    // start; Opened() tells why.
    bool open(OpenMode mode) override;
    const Outcome& Opened() const { return opened_; }
    // Closes the device and puts the file in place; without it the target stays as it was.
    Outcome Finish();

protected:
    qint64 readData(char* data, qint64 size) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    std::string path_;
    StreamedFile file_;
    Outcome opened_ = Outcome::Failed("not opened");
};

} // namespace tsm
