// A machine for install driver tests: drive C:, the example medium as the DVD in drive D:, the
// install scripts copied to the temporary directory C:\Temp (the current directory), as start-up
// leaves them when it relaunches from the DVD.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "driver/setup_dlg.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "support/run_command.h"
#include "support/temp_prefix.h"
#include "system/registry_settings.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace drivertest {

// The scripted host, with a look at every dialog and message box before it is answered.
class ObservingHost : public ui::DialogHost {
  public:
    ObservingHost(const std::string& answers, std::ostream& out) : m_inner(answers, out) {}
    int RunModal(ui::Dialog& dialog) override {
        if (onDialog) onDialog(dialog);
        return m_inner.RunModal(dialog);
    }
    int ShowMessage(const ui::MessageRequest& request) override {
        if (onMessage) onMessage(request);
        return m_inner.ShowMessage(request);
    }
    std::string BrowseForFolder(const std::string& title, const std::string& initial) override {
        return m_inner.BrowseForFolder(title, initial);
    }
    std::function<void(ui::Dialog&)> onDialog;
    std::function<void(const ui::MessageRequest&)> onMessage;

  private:
    ui::ScriptedHost m_inner;
};

class DriverTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override { Machine(""); }

    // A fresh machine; extraIni is appended to machine.ini (for example a [services] section).
    void Machine(const std::string& extraIni, const std::string& medium = "examples/medium");
    // The machine.ini text of Machine.
    static std::string MachineIni(const std::string& extraIni, const std::string& medium);

    // A main dialog set up as an unattended start gives it: source D:\, the destination, -Q
    // with the options text.
    static void Unattended(zefi::CSetupDlg* dialog, const std::string& destination,
                           const std::string& options = "1,0,1,1,1");

    // Runs RunInstall with the answers; returns what the host printed. onDialog and onMessage,
    // when given, see each dialog and message box before it is answered.
    std::string Run(zefi::CSetupDlg& dialog, const std::string& answers = "",
                    std::function<void(ui::Dialog&)> onDialog = nullptr,
                    std::function<void(const ui::MessageRequest&)> onMessage = nullptr);

    // Runs the real program in C:\Temp with arguments (shell syntax), standard input from
    // /dev/null and environment (assignments in shell syntax) added; returns what it wrote to
    // standard output and, with withStderr, to standard error. The exit status is in m_status.
    std::string RunProgram(const std::string& args, const std::string& environment = "",
                           bool withStderr = true);
    // The exit status of the last RunProgram (-1 when it did not end normally).
    int m_status = -1;

    // The install log of the last copy run ("" when there is none).
    std::string Log() const;
    bool HostExists(const std::string& relative) const;
    // The registry value InstallDir, or "" when it is missing.
    static std::string InstallDir();
    // The recorded state of "Zefi Server" (platform::kService*), 0 when it cannot be read.
    static uint32_t ServiceState();
};

// Number of times needle occurs in text.
int Count(const std::string& text, const std::string& needle);

// ---- Definitions. ----

inline std::string DriverTest::MachineIni(const std::string& extraIni, const std::string& medium) {
    return "[system]\nlanguage = 1029\nadmin = 1\ntemp = C:\\Temp\\\n[drives]\n"
           "C = drive_c, fixed\nD = " +
           std::string(ZEFISETUP_SOURCE_DIR) + "/" + medium + ", cdrom, RIDEZEZ01\n" + extraIni;
}

inline void DriverTest::Machine(const std::string& extraIni, const std::string& medium) {
    m_prefix.reset();
    m_prefix = std::make_unique<testsupport::TempPrefix>(MachineIni(extraIni, medium));
    std::filesystem::create_directories(m_prefix->Host("drive_c/Temp"));
    for (const char* name : {"cd.cfg", "cds.cfg"}) {
        std::filesystem::copy_file(std::string(ZEFISETUP_SOURCE_DIR) + "/examples/medium/" + name,
                                   m_prefix->Host(std::string("drive_c/Temp/") + name));
    }
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Temp"));
}

inline void DriverTest::Unattended(zefi::CSetupDlg* dialog, const std::string& destination,
                                   const std::string& options) {
    dialog->SetSource("D:\\");
    dialog->SetDestination(destination);
    dialog->SetQuiet(1);
    dialog->SetSkipOptions(1);
    dialog->SetOptions(options);
}

inline std::string DriverTest::Run(zefi::CSetupDlg& dialog, const std::string& answers,
                                   std::function<void(ui::Dialog&)> onDialog,
                                   std::function<void(const ui::MessageRequest&)> onMessage) {
    std::ostringstream out;
    ObservingHost host(answers, out);
    host.onDialog = std::move(onDialog);
    host.onMessage = std::move(onMessage);
    ui::ScopedHost scoped(host);
    dialog.RunInstall();
    return out.str();
}

inline std::string DriverTest::RunProgram(const std::string& args, const std::string& environment,
                                          bool withStderr) {
    std::string command = "cd '" + m_prefix->Host("drive_c/Temp") + "' && " + environment +
                          " ZEFISETUP_PREFIX='" + m_prefix->Path() + "' '" + ZEFISETUP_BINARY +
                          "' " + args + " </dev/null" + (withStderr ? " 2>&1" : " 2>/dev/null");
    int status = -1;
    std::string out = testsupport::RunCommand(command, &status);
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

inline std::string DriverTest::Log() const {
    if (!HostExists("drive_c/Temp/inszefi.log")) return "";
    return m_prefix->ReadHostFile("drive_c/Temp/inszefi.log");
}

inline bool DriverTest::HostExists(const std::string& relative) const {
    return std::filesystem::exists(m_prefix->Host(relative));
}

inline std::string DriverTest::InstallDir() {
    platform::RegKey key;
    if (key.Open(platform::Hive::LocalMachine, zefi::RegistrySettings::kKey, platform::kKeyRead) !=
        0)
        return "";
    std::string value;
    if (key.QueryString(zefi::RegistrySettings::kInstallDir, &value) != 0) return "";
    return value;
}

inline uint32_t DriverTest::ServiceState() {
    platform::ScHandle manager = platform::OpenSCManager(platform::kScManagerConnect);
    if (manager == nullptr) return 0;
    platform::ScHandle service =
        platform::OpenService(manager, "Zefi Server", platform::kServiceQueryStatus);
    platform::ServiceStatus status;
    bool ok = service != nullptr && platform::QueryServiceStatus(service, &status);
    if (service != nullptr) platform::CloseServiceHandle(service);
    platform::CloseServiceHandle(manager);
    return ok ? status.currentState : 0;
}

inline int Count(const std::string& text, const std::string& needle) {
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

}  // namespace drivertest
