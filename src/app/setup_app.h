// CSetupApp: the application object, whose InitInstance runs the whole program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/start_parameters.h"
#include "driver/run_outcome.h"
#include "system/answered_messages.h"

namespace zefi {

class CSetupApp {
  public:
    // How a start went; every outcome ends the program.
    enum class Outcome {
        kNone,            // InitInstance has not run
        kSecondInstance,  // a setup window was open: ended without a word
        kCleanup,         // -d: the setup copies deleted
        kRelaunched,      // started from a medium: the copy in the temporary directory started
        kOleFailed,       // string 100 shown
        kUnattended,      // -q / -Q: the install driver ran without the menu
        kMainMenu,        // the main menu was shown until it was closed
        kUsage,           // -?: the usage shown
    };

    // commandLine: the text after the program name, as Windows hands it over.
    explicit CSetupApp(std::string commandLine);

    // The start-up: crash-dump filter, language, single instance, parameters, medium check,
    // then the unattended run or the main menu. Returns false in every outcome (the program
    // then ends). Main thread only.
    bool InitInstance();

    Outcome GetOutcome() const { return m_outcome; }
    // How the last installation run of this start ended (kNone when none was made).
    RunOutcome GetRunOutcome() const { return m_runOutcome; }
    const StartParameters& GetParameters() const { return m_parameters; }
    const std::string& GetSourceDirectory() const { return m_sourceDirectory; }
    int32_t GetDownloadMode() const { return m_downloadMode; }
    // The destination handed to the main dialog: from the parameters, else InstallDir.
    const std::string& GetDestination() const { return m_destination; }

    // The two titles of the program's setup windows, as the instance check looks for them.
    static constexpr const char* kTitleCzech = "Instalace ZEFI pro Windows";
    static constexpr const char* kTitleSlovak = "Inštalácia ZEFI pre Windows";
    // String 100, shown when OLE cannot be initialised.
    static constexpr uint32_t kStringOleFailed = 100;

  private:
    std::string m_commandLine;
    StartParameters m_parameters;
    std::string m_sourceDirectory;
    std::string m_destination;
    int32_t m_downloadMode = 0;
    Outcome m_outcome = Outcome::kNone;
    RunOutcome m_runOutcome = RunOutcome::kNone;
    // With -s: answers every message box from then on, until the program ends.
    std::unique_ptr<AnsweredMessages> m_answered;
};

}  // namespace zefi
