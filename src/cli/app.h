#pragma once
// The quillette command line: the dialog's commands on .xlsx files. Every
// subcommand drives the real dialog handlers over the in-memory workbook;
// nothing here reimplements a command.
#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

namespace quill::cli {

struct Io {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool stdin_is_terminal = false;
    bool stderr_is_terminal = false;
    bool stdout_is_terminal = false;
    // Work that takes longer than this shows a progress bar on a terminal.
    std::chrono::milliseconds progress_after{1000};
};

enum Exit : int {
    kDone = 0,
    kRefused = 1,     // the command refused (protected sheet, "Comment found", no confirmation), or --strict saw a warning
    kUsage = 2,       // bad arguments
    kUnreadable = 3,  // an input workbook or picture that cannot be used, or an output that cannot be written
};

int run(const std::vector<std::string>& args, Io io);

}  // namespace quill::cli
