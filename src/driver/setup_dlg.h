// CSetupDlg: the main menu (dialog 1) and owner of the install driver RunInstall, with the
// start-up values the driver works from and the disk images of the last download.
#pragma once

#include <cstdint>
#include <string>

#include "download/attach_image.h"
#include "download/download_outcome.h"
#include "download/image_list.h"
#include "driver/run_outcome.h"
#include "ui/dialog.h"

namespace zefi {

class CSetupDlg : public ui::Dialog {
  public:
    // Buttons of the main menu.
    enum : int { kIdInstall = 1000, kIdInstructions = 1002 };

    CSetupDlg();
    // Program end: detaches the image still attached, deletes the downloaded image files from
    // the destination directory when the last run installed from them successfully, and frees
    // the image list.
    ~CSetupDlg() override;

    // Start-up values, set before the menu is shown or RunInstall runs. The two directories
    // get a trailing backslash when they are not empty and have none.
    void SetDestination(const std::string& directory);
    void SetSource(const std::string& directory);
    void SetSaveDestination(int32_t save) { m_saveDestination = save; }
    void SetDownloadMode(int32_t downloadMode) { m_downloadMode = downloadMode; }
    void SetMasterAddress(const std::string& address) { m_masterAddress = address; }
    void SetProxy(const std::string& proxy) { m_proxy = proxy; }
    void SetProxyUser(const std::string& user) { m_proxyUser = user; }
    void SetProxyPassword(const std::string& password) { m_proxyPassword = password; }
    void SetQuiet(int32_t quiet) { m_quiet = quiet; }
    void SetSkipOptions(int32_t skip) { m_skipOptions = skip; }
    void SetOptions(const std::string& options) { m_options = options; }

    const std::string& GetDestination() const { return m_destination; }
    const std::string& GetSource() const { return m_source; }
    int32_t GetSaveDestination() const { return m_saveDestination; }
    int32_t GetDownloadMode() const { return m_downloadMode; }
    const std::string& GetMasterAddress() const { return m_masterAddress; }
    const std::string& GetProxy() const { return m_proxy; }
    const std::string& GetProxyUser() const { return m_proxyUser; }
    const std::string& GetProxyPassword() const { return m_proxyPassword; }
    int32_t GetQuiet() const { return m_quiet; }
    int32_t GetSkipOptions() const { return m_skipOptions; }
    const std::string& GetOptions() const { return m_options; }

    // Carries an installation or update from start to end through modal dialogs and message
    // boxes; the outcome shows in them, in the logs and in the members. Main thread only; may
    // run any number of times while the menu is open, and without the menu in quiet mode.
    // A source on a network path ends the menu as Cancel does. In download mode the medium is
    // downloaded as disk images first and the installation runs from the attached first image.
    // While another run on this machine holds the run lock, the run is refused at its start
    // with string 175, before anything is changed.
    void RunInstall();

    // How the last run ended (kNone before the first run).
    RunOutcome GetRunOutcome() const { return m_runOutcome; }

    // The Start menu programs folder found by the last run ("" when none was found).
    const std::string& GetProgramsFolder() const { return m_programsFolder; }
    // Whether the last run treated the destination as a server installation.
    int32_t GetServerInstallation() const { return m_serverInstallation; }

    // ---- Download state of the last run (download mode only). ----

    // The downloaded image list, owned by the dialog (nullptr when there is none).
    const ImageRecord* GetImageList() const { return m_imageList.get(); }
    // Whether an image of the list is attached now.
    bool HasAttachedImage() const { return m_imageHandle != nullptr; }
    // 1 when the image files are deleted at program end (the last run completed from them).
    int32_t GetDeleteImages() const { return m_deleteImages; }
    // The destination in long form, as it was before the run converted it to its short form.
    const std::string& GetLongDestination() const { return m_longDestination; }

    // Shows the instructions dialog for the source directory: "sinstall.txt" on a Slovak
    // system, "installw.txt" otherwise, appended to the source directory as it stands.
    void ShowInstructions();
    // The instructions file ShowInstructions opens.
    std::string InstructionsPath() const;

    // Messages of the install driver.
    static constexpr uint32_t kStringNetworkSource = 106;
    static constexpr uint32_t kStringNoScript = 107;
    static constexpr uint32_t kStringUnknownDrive = 108;
    static constexpr uint32_t kStringCreateDirectory = 109;
    static constexpr uint32_t kStringCreateFailed = 110;
    static constexpr uint32_t kStringCompleted = 111;
    static constexpr uint32_t kStringInterrupted = 112;
    // Another installation run holds the machine's run lock.
    static constexpr uint32_t kStringAnotherRunActive = 175;

  protected:
    bool OnCommand(int id) override;

  private:
    // Steps of RunInstall (destination.cpp): the destination from the registry, the old
    // program-group shortcut or the search, then the destination check. False ends the run,
    // with the run outcome set.
    bool SettleDestination();
    // One check of the destination as it stands (no trailing backslash): true when accepted;
    // otherwise the message has been shown and *endRun says whether the run ends.
    bool AcceptDestination(bool* endRun);
    // The program group "Zefi pro Windows" with "Zefi.lnk" (program_group.cpp). Failures are
    // not reported.
    void CreateProgramGroup();

    // The download branch (download_branch.cpp). RunDownloadBranch shows the download dialog,
    // takes over its image list, attaches the first image and copies its install scripts into
    // the current directory; true when the image is attached and the scripts are in place, and
    // the source directory is then the image's drive root. False (with nothing attached and no
    // list held) when the run must end.
    bool RunDownloadBranch();
    // The end of a download dialog that handed over no usable list: the run outcome, and for a
    // failed run the message that names the failure and the download log.
    void EndWithoutImages(const DownloadOutcome& outcome);
    // Clears the delete-images flag, detaches the image and frees the image list.
    void ReleaseDownloadState();
    // After the copy run: attaches the first image again (the source directory becomes its
    // drive root) and, when the run completed, writes "zefisetup.rep" into the destination and
    // marks the images for deletion at program end. Failures are not reported.
    void AfterCopy(bool completed);

    std::string m_destination;
    std::string m_source;
    std::string m_programsFolder;
    std::string m_masterAddress;
    std::string m_proxy;
    std::string m_proxyUser;
    std::string m_proxyPassword;
    std::string m_options;
    int32_t m_quiet = 0;
    int32_t m_skipOptions = 0;
    int32_t m_saveDestination = 1;
    int32_t m_downloadMode = 0;
    int32_t m_serverInstallation = 0;
    RunOutcome m_runOutcome = RunOutcome::kNone;

    // Download state: kept from the download of a run until the next run or the program end.
    ImageHandle m_imageHandle;
    ImageListPtr m_imageList;
    int32_t m_deleteImages = 0;
    std::string m_longDestination;
};

}  // namespace zefi
