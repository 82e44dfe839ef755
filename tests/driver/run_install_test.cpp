// Tests of the install driver as this build has it: it says that installation is not available
// and returns to the menu.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/setup_dlg.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

class RunInstall : public testsupport::PrefixTest {};

TEST_F(RunInstall, InstallButtonSaysInstallationIsNotAvailableAndMenuStays) {
    zefi::CSetupDlg dialog;
    std::ostringstream out;
    ui::ScriptedHost host("dialog 1 1000\n", out);
    ui::ScopedHost scoped(host);
    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
    EXPECT_EQ(out.str(),
              "dialog 1: Instalace ZEFI pro Windows | Instalace/Aktualizace | Pokyny k instalaci | "
              "Konec -> 1000\n"
              "message 0: Instalace zatím není k dispozici. -> ok\n"
              "dialog 1: Instalace ZEFI pro Windows | Instalace/Aktualizace | Pokyny k instalaci | "
              "Konec -> cancel\n");
}

}  // namespace
