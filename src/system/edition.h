// The data edition of the installation (Czech or Slovak): the process-wide flag and how the
// install driver decides it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace zefi {

// The type of SlovakEdition: reads as an int32_t, 0 for the Czech data edition, 1 for the
// Slovak one; only SettleEdition changes it.
class EditionFlag {
  public:
    EditionFlag() = default;
    EditionFlag(const EditionFlag&) = delete;
    EditionFlag& operator=(const EditionFlag&) = delete;

    operator int32_t() const { return m_slovak.load(std::memory_order_relaxed); }

    // The install driver's former way of settling the edition, kept until it calls
    // SettleEdition; nothing else may use it.
    [[deprecated("settle the edition with SettleEdition")]] EditionFlag& operator=(int32_t slovak);

  private:
    friend void SettleEdition(int32_t slovakEdition);

    std::atomic<int32_t> m_slovak{0};
};

// The edition of the installation being installed or updated. Process-wide; it starts at 0
// (Czech) and is settled by the install driver, through SettleEdition, before the driver
// downloads or reads the install script. Any thread may read it.
extern EditionFlag SlovakEdition;

// Settles SlovakEdition for the install run that starts: 1 for a non-zero slovakEdition, else
// 0. Called by the install driver on the main thread, once per run, before it starts any
// worker; nothing else writes the edition.
void SettleEdition(int32_t slovakEdition);

// The edition of an installation about to be installed or updated: in download mode the
// edition recorded with InstallDir (registry value Edition), when destination is the directory
// InstallDir names; otherwise Slovak when sourceDirectory holds a Slovak marker ("zefisk*"
// with "ZEFISK") and no Czech one ("zeficz*" with "ZEFICZ"). Czech whenever nothing says
// otherwise.
int32_t DetermineEdition(const std::string& sourceDirectory, const std::string& destination,
                         bool downloadMode);

}  // namespace zefi
