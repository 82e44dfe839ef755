// The process-wide answerer of message boxes.
#include "ui/auto_answer.h"

#include <atomic>

#include "ui/scripted_host.h"

namespace ui {

namespace {

std::atomic<AutoAnswer*> g_answerer{nullptr};

}  // namespace

void SetAutoAnswer(AutoAnswer* answerer) { g_answerer.store(answerer); }

AutoAnswer* GetAutoAnswer() { return g_answerer.load(); }

std::string AnsweredLine(const MessageRequest& request, int answer) {
    return "Message " + std::to_string(request.stringId) + ": " + OneLine(request.text) + " -> " +
           ButtonName(answer);
}

}  // namespace ui
