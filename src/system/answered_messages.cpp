// AnsweredMessages: the answers of -s and where their lines go.
#include "system/answered_messages.h"

#include <atomic>
#include <cstdio>
#include <utility>

#include "platform/stream.h"
#include "platform/text.h"
#include "system/log.h"

namespace zefi {

namespace {

std::atomic<AnsweredMessages*> g_active{nullptr};

}  // namespace

AnsweredMessages::AnsweredMessages(std::map<uint32_t, int> preferred)
    : m_preferred(std::move(preferred)) {}

AnsweredMessages::~AnsweredMessages() {
    AnsweredMessages* self = this;
    if (g_active.compare_exchange_strong(self, nullptr)) ui::SetAutoAnswer(nullptr);
}

void AnsweredMessages::Install() {
    g_active.store(this);
    ui::SetAutoAnswer(this);
}

int AnsweredMessages::Answer(const ui::MessageRequest& request) {
    const std::vector<int> buttons = ui::ButtonIds(request.buttons);
    int answer = buttons.front();
    auto preferred = m_preferred.find(request.stringId);
    if (preferred != m_preferred.end()) {
        for (int id : buttons)
            if (id == preferred->second) answer = id;
    }
    Write(ui::AnsweredLine(request, answer));
    return answer;
}

void AnsweredMessages::Write(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    // The logs hold the system's code page; a text it cannot hold stays as it was shown.
    std::string ansi;
    Record(platform::DisplayToAnsi(line, &ansi) ? ansi : line);
}

bool AnsweredMessages::WriteIfActive(const std::string& line) {
    AnsweredMessages* self = g_active.load();
    if (!self) return false;
    self->Write(line);
    return true;
}

void AnsweredMessages::Record(const std::string& ansiLine) {
    std::lock_guard<std::mutex> lock(m_lock);
    switch (m_stage) {
        case Stage::kIdle:
            return;
        case Stage::kBeforeCopy:
            m_pending.push_back(ansiLine);
            return;
        case Stage::kCopying:
            // The log belongs to the worker thread; another thread's line waits for it.
            if (m_log && std::this_thread::get_id() == m_logThread) {
                *m_log << ansiLine << LogStream::endl;
            } else {
                m_pending.push_back(ansiLine);
            }
            return;
        case Stage::kAfterCopy: {
            platform::Stream file;
            if (file.Open(kLogName, "a")) {
                file.Puts(ansiLine + "\n");
                file.Close();
            }
            return;
        }
    }
}

void AnsweredMessages::WritePending() {
    for (const std::string& line : m_pending) *m_log << line << LogStream::endl;
    m_pending.clear();
}

void AnsweredMessages::BeginRun() {
    AnsweredMessages* self = g_active.load();
    if (!self) return;
    std::lock_guard<std::mutex> lock(self->m_lock);
    self->m_stage = Stage::kBeforeCopy;
    self->m_pending.clear();
    self->m_log = nullptr;
}

void AnsweredMessages::EndRun() {
    AnsweredMessages* self = g_active.load();
    if (!self) return;
    std::lock_guard<std::mutex> lock(self->m_lock);
    if (self->m_stage == Stage::kBeforeCopy && !self->m_pending.empty()) {
        // The run ended before its copy run opened a log: the log of this run holds only
        // the boxes that ended it.
        LogStream log;
        log.Open(kLogName);
        self->m_log = &log;
        self->WritePending();
        log.Close();
    }
    self->m_stage = Stage::kIdle;
    self->m_pending.clear();
    self->m_log = nullptr;
}

void AnsweredMessages::AttachLog(LogStream* log) {
    AnsweredMessages* self = g_active.load();
    if (!self) return;
    std::lock_guard<std::mutex> lock(self->m_lock);
    if (self->m_stage == Stage::kIdle) return;
    self->m_stage = Stage::kCopying;
    self->m_log = log;
    self->m_logThread = std::this_thread::get_id();
    self->WritePending();
}

void AnsweredMessages::DetachLog(bool writePending) {
    AnsweredMessages* self = g_active.load();
    if (!self) return;
    std::lock_guard<std::mutex> lock(self->m_lock);
    if (self->m_stage != Stage::kCopying) return;
    if (self->m_log && writePending) self->WritePending();
    self->m_pending.clear();
    self->m_stage = Stage::kAfterCopy;
    self->m_log = nullptr;
}

}  // namespace zefi
