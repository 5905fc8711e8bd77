// The service history of quorvel-cli: each command that changes a controller or takes data
// from it is recorded as one row, by the one wrapper that runs commands on a link. A command
// only adds what the wrapper cannot know (its files, the kept copy). The history never fails
// a command: a row that cannot be written costs one warning on standard error.
#pragma once

#include <atomic>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "history/HistoryDb.h"

namespace cli {

struct Context;
struct LinkOptions;

// What a command adds to the row of its run.
struct OperationNotes {
    std::vector<std::string> files;
    std::string kept; // the kept copy of the program it overwrote
    bool cancelled = false;
};

// The history operation of the command line `command` `args` ("program" "write" ...), or
// empty when it records none.
std::string RecordedOperation(std::string_view command, const std::vector<std::string>& args);

// The history of this run (--history FILE, $QUORVEL_HISTORY or the data folder's), opened
// at the first use; its warnings go to `err`.
history::HistoryDb& RunHistory(const LinkOptions& options, std::ostream& err);

// The link of `options` as the history names it.
history::LinkEntry HistoryLink(const LinkOptions& options);

// Adds a file (read or written by the command) to the row of the run, when it is recorded.
void NoteFile(Context& context, const std::string& path);
// Adds each line of `lines` (file paths, one a line) as a file of the row.
void NoteFileLines(Context& context, const std::string& lines);
// Adds every file below `folder` as a file of the row.
void NoteFolderFiles(Context& context, const std::string& folder);
// Names the kept copy of the program the command overwrote.
void NoteKept(Context& context, const std::string& path);

// Records one command run on the opened link: the controller is identified at the start,
// the last line the user saw on standard error is kept as the row's message, and the row is
// written by Finish.
class OperationRecording {
  public:
    OperationRecording(Context& context, const std::string& operation);
    ~OperationRecording();
    OperationRecording(const OperationRecording&) = delete;
    OperationRecording& operator=(const OperationRecording&) = delete;

    // Writes the row for the command's exit status. A command stopped by a signal has its row
    // written as cancelled, with what the stop said, before the process exits.
    void Finish(int status);

  private:
    class Capture;
    // Writes the row once: the first of Finish and a stop wins.
    void Write(const char* result, const std::string& message);
    Context& context_;
    history::Record record_;
    OperationNotes notes_;
    std::unique_ptr<Capture> capture_;
    std::atomic<bool> written_{false};
};

// The last line of `text` as a terminal showed it: the text after the last carriage return
// of its last non-empty line, white space trimmed.
std::string LastShownLine(std::string_view text);

} // namespace cli
