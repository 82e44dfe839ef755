// A dialog host for tests that drive one dialog of a run themselves. Header only: the test
// support library links no dialog framework, the test binaries that use this one do.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace testsupport {

// The dialog of template drivenTemplate runs hook first (on the dialog's thread) and then its
// timers and posted close requests until it ends; every other dialog, every message box and
// every folder question goes to a scripted host with answers, which prints to out.
class DrivingHost : public ui::DialogHost {
  public:
    DrivingHost(int drivenTemplate, const std::string& answers, std::ostream& out)
        : m_drivenTemplate(drivenTemplate), m_scripted(answers, out) {}

    int RunModal(ui::Dialog& dialog) override {
        if (dialog.GetTemplateId() != m_drivenTemplate) return m_scripted.RunModal(dialog);
        if (hook) hook(dialog);
        while (!dialog.IsEnded()) dialog.RunPending(std::chrono::milliseconds(200));
        return dialog.GetResult();
    }
    int ShowMessage(const ui::MessageRequest& request) override {
        return m_scripted.ShowMessage(request);
    }
    std::string BrowseForFolder(const std::string& title, const std::string& initial) override {
        return m_scripted.BrowseForFolder(title, initial);
    }
    std::vector<ui::Answer> UnusedAnswers() const { return m_scripted.UnusedAnswers(); }

    std::function<void(ui::Dialog&)> hook;

  private:
    int m_drivenTemplate;
    ui::ScriptedHost m_scripted;
};

}  // namespace testsupport
