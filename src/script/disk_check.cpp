// The disk check of the script engine: makes sure the source disk a group names (its CD value)
// is present, by asking the user for it or by attaching the downloaded image that holds it.
#include "script/disk_image_source.h"
#include "script/ins_grp.h"
#include "script/inscfg.h"
#include "script/install_context.h"
#include "system/progress_sink.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

constexpr uint32_t kMsgInsertDisk = 102;
constexpr const char* kArchiveNotFound = "Zefi archive not found";

}  // namespace

bool CInsGrp::CheckDisk() {
    if (m_cd.IsEmpty()) return true;
    CMBString displayName;
    // The image branch runs at most once per check: an image attached for the disk that still
    // does not show it would otherwise be attached over and over.
    bool imageAttached = false;
    for (;;) {
        if (m_system.FileExists(m_context->GetSourceBase().str(), m_cd.str())) return true;

        if (displayName.IsEmpty()) {
            InsCfg script(&m_context->Log());
            script.Open(m_context->GetScriptPath());
            script.GetValue("DiskNames", m_cd, &displayName, true);
        }
        if (ProgressSink* owner = m_context->GetOwner()) owner->SetMode(kModePreparing);

        DiskImageSource* images = m_context->GetDiskImages();
        if (imageAttached || (images && images->HasAttachedImage())) {
            if (imageAttached) {
                ui::MessageBox(kArchiveNotFound, ui::Buttons::Ok);
                m_error.stop = 1;
                return false;
            }
            images->CloseAttachedImage();
            std::string root;
            switch (images->AttachImageHolding(m_cd.str(), &root)) {
                case DiskImageResult::kAttached:
                    m_context->SetSourceBase(root);
                    imageAttached = true;
                    continue;
                case DiskImageResult::kNotFound:
                    ui::MessageBox(kArchiveNotFound, ui::Buttons::Ok);
                    m_error.stop = 1;
                    return false;
                case DiskImageResult::kAttachFailed:
                    m_error.stop = 1;
                    return false;
            }
        }

        ui::Beep();
        const CMBString& shown = displayName.IsEmpty() ? m_cd : displayName;
        int answer = ui::MessageBoxF(kMsgInsertDisk, ui::Buttons::OkCancel, ui::Icon::Exclamation,
                                     ui::CodePage(shown.str()));
        if (answer != ui::kIdOk) {
            m_error.stop = 1;
            return false;
        }
    }
}

}  // namespace zefi
