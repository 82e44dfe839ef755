// Message boxes that answer themselves (the -s switch): the process-wide answerer that the
// message boxes ask instead of the dialog host.
#pragma once

#include <string>

#include "ui/host.h"

namespace ui {

class AutoAnswer {
  public:
    virtual ~AutoAnswer() = default;
    // Chooses the answer of a box without showing it, records it and returns it; the answer
    // must be one of ButtonIds(request.buttons) (any other counts as the first). Called from
    // any thread, on the thread that shows the box.
    virtual int Answer(const MessageRequest& request) = 0;
};

// Makes answerer the one every message box asks (not owned; it must outlive its use), or with
// nullptr lets the dialog host show the boxes again.
void SetAutoAnswer(AutoAnswer* answerer);
AutoAnswer* GetAutoAnswer();

// The record of an answered box: "Message <id>: <text> -> <answer>", the text on one line (a
// line break written as \n), the answer named as ButtonName does.
std::string AnsweredLine(const MessageRequest& request, int answer);

}  // namespace ui
