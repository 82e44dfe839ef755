// AnsweredMessages: message boxes that answer themselves (-s), each written to standard error
// and to the install log of the run it belongs to.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/auto_answer.h"

namespace zefi {

class LogStream;

// Every box takes its default button (the first one) unless preferred names another for its
// string id. Each answer is written at once to standard error as "Message <id>: <text> ->
// <answer>", and the same line, in the ANSI code page, to the install log "inszefi.log" in the
// current directory:
// - during a copy run, into the run's log (the copy worker attaches it after its "Started: "
//   line); boxes answered before that are written right after it, boxes of other threads
//   while the log is attached when the worker detaches it;
// - after the copy run, appended to the log the run has closed;
// - for a run that ended before its copy run, into a new log holding only those lines.
// Boxes outside an installation run go to standard error only.
class AnsweredMessages : public ui::AutoAnswer {
  public:
    explicit AnsweredMessages(std::map<uint32_t, int> preferred);
    ~AnsweredMessages() override;  // stops answering if it is the active one

    // Makes this the process-wide answerer of every message box. Main thread.
    void Install();

    int Answer(const ui::MessageRequest& request) override;

    // For a box that is not a message box but must not wait either (the copy error dialog):
    // with an answerer installed, writes line (display text) where the answers go and returns
    // true; otherwise does nothing and returns false. Any thread.
    static bool WriteIfActive(const std::string& line);

    // The run bracket, on the installed answerer; without one each does nothing. Begin and
    // End by the install driver at the start and end of a run; Attach and Detach by the copy
    // worker on its thread, around the run of the script.
    static void BeginRun();
    static void EndRun();
    static void AttachLog(LogStream* log);
    // Detach writes what waited for the log first, unless writePending is false (the log is
    // no longer there).
    static void DetachLog(bool writePending = true);

    // Ends a run when it goes out of scope.
    struct RunScope {
        RunScope() { BeginRun(); }
        ~RunScope() { EndRun(); }
        RunScope(const RunScope&) = delete;
        RunScope& operator=(const RunScope&) = delete;
    };

    // The install log's name, in the current directory.
    static constexpr const char* kLogName = "inszefi.log";

  private:
    enum class Stage { kIdle, kBeforeCopy, kCopying, kAfterCopy };

    void Write(const std::string& line);
    void Record(const std::string& ansiLine);
    void WritePending();

    std::map<uint32_t, int> m_preferred;
    std::mutex m_lock;
    Stage m_stage = Stage::kIdle;
    std::vector<std::string> m_pending;
    LogStream* m_log = nullptr;
    std::thread::id m_logThread;
};

}  // namespace zefi
