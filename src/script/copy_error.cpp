// The texts and the Retry or Exit choice of the copy error dialog for a failed script action.
#include "script/copy_error.h"

#include <cstdio>
#include <cstring>

#include "platform/errors.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// Headlines by action code.
constexpr uint32_t kHeadlineCopy = 125;
constexpr uint32_t kHeadlineDelete = 126;
constexpr uint32_t kHeadlineDirectory = 127;
constexpr uint32_t kHeadlineOther = 128;
// Detail lines.
constexpr uint32_t kDetailWrite = 129;
constexpr uint32_t kDetailRead = 130;
// Error-code lines.
constexpr uint32_t kCodeOther = 137;

constexpr int kActionLastCopy = 5;  // codes 1 to 5 copy files ("i" ... "iapbat")
constexpr int kActionMkdir = 6;
constexpr int kActionDelete = 7;

uint32_t HeadlineFor(int actionCode) {
    if (actionCode >= 1 && actionCode <= kActionLastCopy) return kHeadlineCopy;
    if (actionCode == kActionMkdir) return kHeadlineDirectory;
    if (actionCode == kActionDelete) return kHeadlineDelete;
    return kHeadlineOther;
}

uint32_t CodeTextFor(int32_t code) {
    switch (code) {
        case 2:
            return 135;
        case 3:
            return 136;
        case 5:
            return 131;
        case 32:
            return 134;
        case 112:
            return 132;
        case 183:
            return 133;
        default:
            return kCodeOther;
    }
}

// What the headline names: the last component of the written path, or the action's argument
// when the path has no backslash or ends with one.
CMBString FailedName(const CopyErrorRecord& record, const CMBString& argument) {
    int slash = record.writeName.ReverseFind('\\');
    CMBString name;
    if (slash >= 0) name = record.writeName.From(slash + 1);
    return name.IsEmpty() ? argument : name;
}

}  // namespace

std::string FormatErrorCode(int32_t code) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", static_cast<double>(code));
    std::string text = buffer;
    if (text.find("e-") != std::string::npos) return "0";
    size_t point = text.find('.');
    if (point != std::string::npos) text.resize(point);
    return text;
}

CopyErrorTexts BuildCopyErrorTexts(CopyErrorRecord* record, int actionCode,
                                   const CMBString& argument) {
    CopyErrorTexts texts;
    texts.headline = ui::FormatString(HeadlineFor(actionCode),
                                      ui::CodePage(FailedName(*record, argument).str()));
    if (record->errorIsWrite)
        texts.detail = ui::FormatString(kDetailWrite, ui::CodePage(record->writeName.str()));
    else
        texts.detail = ui::FormatString(kDetailRead, ui::CodePage(record->readName.str()));
    if (record->errorCode == 0) record->errorCode = static_cast<int32_t>(platform::GetLastError());
    texts.code =
        ui::FormatString(CodeTextFor(record->errorCode), FormatErrorCode(record->errorCode));
    return texts;
}

void ShowCopyError(CopyErrorRecord* record, int actionCode, const CMBString& argument,
                   ErrorDialogPresenter* presenter) {
    if (record->stop) return;
    CopyErrorTexts texts = BuildCopyErrorTexts(record, actionCode, argument);
    if (presenter && presenter->ShowCopyError(texts))
        record->retry = 1;
    else
        record->stop = 1;
}

}  // namespace zefi
