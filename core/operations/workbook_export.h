#pragma once

#include <optional>

#include <QString>

#include "platform/atomic_file.h"

class OutputTarget;

// What a workbook export (tables as sheets, or the multi-person print sheet)
// came to. The operation never asks, shows or opens anything: the caller
// presents `message` (lines end in CR LF, as the window's box shows them),
// opens `path` when it named the file itself, and on NeedsConsent asks the
// user about replacing `path` and runs the export again with the answer.
struct WorkbookExport
{
    enum class Outcome {
        NothingChosen, // nothing to export: `message` says what to choose first, or is empty
        NeedsConsent,  // a file lies at `path`; nothing was read or written
        Stopped,       // stopped before anything was done; nothing was written
        Written,       // `path` was written with `done` of `total` (fewer after a stop)
    };

    Outcome outcome = Outcome::NothingChosen;
    QString path;
    int done = 0;
    int total = 0;
    qint64 seconds = 0; // the work alone, from the first read to the file saved
    QString message;    // the closing text; empty when there is none

    bool written() const { return outcome == Outcome::Written; }
};

// The export's word on the file at `into`: how to write it, or nothing when a
// file lies there and `replace` is not given; then `outcome` says NeedsConsent
// with that file's path. Throws the target's refusal (the database, the template).
std::optional<AtomicFile::Existing> admitExportFile(const OutputTarget &target, const QString &into, bool replace,
                                                    WorkbookExport &outcome);
