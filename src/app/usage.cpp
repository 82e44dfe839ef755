// The usage text and the answers of -s.
#include "app/usage.h"

#include "resources/strings.h"
#include "ui/host.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

constexpr uint32_t kStringUsageOptions = 185;
constexpr uint32_t kStringUsageExitCodes = 186;
constexpr uint32_t kStringAlreadyInstalled = 162;
constexpr uint32_t kStringInsertDisk = 102;
constexpr uint32_t kStringTransferBroken = 160;

}  // namespace

std::string UsageText() {
    return resources::LoadString(kStringUsageOptions) + "\n\n" +
           resources::LoadString(kStringUsageExitCodes);
}

void ShowUsage() {
    const std::string text = UsageText();
    if (!ui::GetHost().WriteText(text)) {
        ui::MessageBox(text, ui::Buttons::Ok, ui::Icon::Information);
    }
}

std::map<uint32_t, int> AutoAnswerDefaults() {
    return {{kStringAlreadyInstalled, ui::kIdNo},
            {kStringInsertDisk, ui::kIdCancel},
            {kStringTransferBroken, ui::kIdCancel}};
}

}  // namespace zefi
