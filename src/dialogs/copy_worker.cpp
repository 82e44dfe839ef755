// The copy dialog's worker thread: the install log frame around one run of the install script.
#include <memory>

#include "dialogs/copy_dlg.h"
#include "dialogs/error_dlg.h"
#include "download/disk_images.h"
#include "platform/machine.h"
#include "resources/dialogs.h"
#include "script/copy_error.h"
#include "script/group_list.h"
#include "script/install_context.h"
#include "system/answered_messages.h"
#include "system/edition.h"
#include "system/log.h"

namespace zefi {

namespace {

// Shows a fresh CErrorDlg for every failed action, without a parent, on the worker thread.
class ErrorDialogPerFailure : public ErrorDialogPresenter {
  public:
    bool ShowCopyError(const CopyErrorTexts& texts) override {
        // With -s nobody is there to answer: the failure ends the run as Exit does, since
        // Retry would only fail again.
        if (AnsweredMessages::WriteIfActive("Message " + std::to_string(resources::kDlgError) +
                                            ": " + texts.headline + " | " + texts.detail + " | " +
                                            texts.code + " -> exit")) {
            return false;
        }
        CErrorDlg dialog;
        return dialog.ShowCopyError(texts);
    }
};

}  // namespace

void CCopyDlg::RunWorker(uint16_t uiLanguage) {
    platform::SetThreadUILanguage(uiLanguage);
    bool keptAwake = false;
    bool completed = false;
    try {
        const char* scriptName = SlovakEdition ? "cds.cfg" : "cd.cfg";

        LogStream log;
        log.Open("inszefi.log");
        log << "Instalation: Src: " << m_sourceRoot << ", Dst: " << m_destinationRoot
            << LogStream::endl;

        InstallContext context(m_sourceRoot, m_destinationRoot, log);
        log << "Started: ";
        log.WriteLocalTime();
        AnsweredMessages::AttachLog(&log);

        context.SetScriptPath(scriptName);
        context.SetOnlyNewer(m_onlyNewer);
        context.SetNewInstall(m_choosePartsAnew);
        context.SetDeleteOnCdAllowed(m_deleteFromDisk);
        context.SetChangeCfgAll(1);

        if (m_literature) {
            context.AddInstalledPart("LIT");
        } else {
            log << "Not installed: LIT" << LogStream::endl;
            context.AddNotInstalledPart("LIT");
        }
        // The log names the part "SLOV" in both editions; the list gets the real part name.
        const char* otherCountry = SlovakEdition ? "CZECH" : "SLOV";
        if (m_otherCountry) {
            context.AddInstalledPart(otherCountry);
        } else {
            log << "Not installed: SLOV" << LogStream::endl;
            context.AddNotInstalledPart(otherCountry);
        }

        ErrorDialogPerFailure errorDialog;
        context.SetOwner(this);
        context.SetErrorPresenter(&errorDialog);

        const char* startGroup;
        if (m_netMaster) {
            log << "Is NetMaster" << LogStream::endl;
            startGroup = "STARTMW";
        } else {
            log << "Not NetMaster" << LogStream::endl;
            startGroup = m_netInst ? "STARTNW" : "STARTW";
            if (m_netInst) log << "Is NetInst" << LogStream::endl;
        }

        const bool hadImage = m_imageHandle != nullptr;
        std::unique_ptr<ImageListDiskSource> images;
        if (hadImage && m_imageList) {
            images = std::make_unique<ImageListDiskSource>(m_imageHandle, m_imageList,
                                                           m_longDestination, SlovakEdition);
            context.SetDiskImages(images.get());
        }

        platform::KeepAwake(true);
        keptAwake = true;

        GroupList list(startGroup, &context);
        list.process_list();
        AnsweredMessages::DetachLog();
        if (list.GetStop()) {
            log << "Instalace prerusena" << LogStream::endl;
        } else {
            log << "Instalace dokoncena" << LogStream::endl;
            completed = true;
        }
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_completed = completed ? 1 : 0;
            m_interrupted = completed ? 0 : 1;
            m_stopReason = context.GetStopReason();
        }

        context.SetDiskImages(nullptr);
        images.reset();
        if (hadImage) m_imageHandle.reset();

        log << "Finished: ";
        log.WriteLocalTime();
        log.Close();
    } catch (...) {
        // Out of memory in the middle of the run: what was done stays done, and the run counts
        // as interrupted so that the driver neither reports success nor restarts anything.
        // The log is gone with the stack, so what waited for it is not written.
        AnsweredMessages::DetachLog(false);
        std::lock_guard<std::mutex> lock(m_lock);
        m_completed = 0;
        m_interrupted = 1;
    }

    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_state = ThreadState::Finished;
    }
    if (keptAwake) platform::KeepAwake(false);
    PostClose(ui::kIdCancel);
}

}  // namespace zefi
