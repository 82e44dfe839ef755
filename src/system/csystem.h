// CSystem, the copy engine: copies single files and patterns with the newer-only rule, deletes
// patterns, removes files that the source no longer has, creates directory chains and measures
// free space, logging every step and honouring the user's stop request.
#pragma once

#include <cstdint>
#include <string>

#include "system/log.h"
#include "system/progress_sink.h"

namespace zefi {

class CSystem {
  public:
    // Files below this size go through the system copy call; larger ones are copied by hand.
    static constexpr uint32_t kSystemCopyLimit = 100000;
    // Block size of the copy by hand; the stop request and the progress are checked after each.
    static constexpr uint32_t kBlockSize = 4096;
    // The size passed to CopyFile for a file of 4 GiB or more.
    static constexpr uint32_t kHugeFileSize = 0xFFFFFFFF;

    // Everything CSystem logs goes to log, which may be a stream that was never opened. The
    // stream must outlive the object.
    explicit CSystem(LogStream& log);
    CSystem(const CSystem&) = delete;
    CSystem& operator=(const CSystem&) = delete;

    // Attaches the copy dialog of the run (or nullptr). Without a sink nothing is reported and
    // no stop request is ever seen.
    void SetProgressSink(ProgressSink* sink) { m_sink = sink; }
    ProgressSink* GetProgressSink() const { return m_sink; }

    // Copies source over destination (an existing, even read-only, destination is replaced).
    // size is the source's size, kHugeFileSize for 4 GiB or more. Files below kSystemCopyLimit
    // use the system copy; larger ones, and small ones whose system copy failed, are copied in
    // kBlockSize blocks with a stop check and a progress update after each. The result has
    // normal attributes and the source's last-write time. An existing destination is replaced
    // only by a complete copy (written beside it first, see CopyFileOverwrite), so it stays
    // whole on any failure or stop. False on failure or on a stop request (the error fields
    // tell which side failed; a new destination may stay partial).
    bool CopyFile(const std::string& source, const std::string& destination, uint32_t size);

    // Copies the files of sourceDir matching pattern into destinationDir, creating it (and the
    // pattern's subdirectory part, as in "sub\*.dat") first. Both directories end with a
    // backslash. With newerOnly a file whose destination has the same last-write time and size
    // is skipped. No match is not a failure. False when a directory cannot be created or a copy
    // fails (or is stopped); subdirectories are never descended into.
    bool CopyFiles(const std::string& sourceDir, const std::string& destinationDir,
                   const std::string& pattern, bool newerOnly);

    // Deletes every entry of directory matching pattern, clearing read-only first. False when
    // nothing matches or a deletion fails (the others are still tried).
    bool DeleteFiles(const std::string& directory, const std::string& pattern);

    // Deletes the entries of destinationDir matching pattern that sourceDir does not hold.
    // True when nothing matches in destinationDir or the comparison was made. False, with
    // nothing deleted, the failure logged and the error fields set (source side), when the
    // source directory is missing, on a drive that is not there, or cannot be listed.
    bool DeleteMissing(const std::string& sourceDir, const std::string& destinationDir,
                       const std::string& pattern);

    // Creates path with all missing parents. True when the directory exists afterwards; a drive
    // root ("C:", "C:\") counts as existing without touching the disk. False (with the system's
    // last error) when a file of the same name exists or a level cannot be created.
    bool MakeDirectory(const std::string& path);

    // Whether directory + "\" + name (a backslash added when missing) matches an entry.
    bool FileExists(const std::string& directory, const std::string& name);
    // Whether path (wildcards allowed) matches an entry; with nonEmpty only when the first
    // match's size is not 0.
    bool FindFile(const std::string& path, bool nonEmpty);

    // Free bytes available to the caller on the volume that holds path (platform::VolumeRoot:
    // "D:\", "\\server\share\", the current directory's volume for a relative path); 0 when
    // the volume cannot be queried or path lies on none.
    double GetFreeSpace(const std::string& path);

    // Whether the drive with this letter is a CD-ROM drive.
    bool IsCdRomDrive(char letter);

    // Shows the text file at path through the dialog host (ui::ShowText), read in lines of at
    // most 255 characters. False when it cannot be opened.
    bool TypeFile(const std::string& path);

    // Runs commandLine through the command processor and waits for it; always true (defined in
    // csystem_exec.cpp).
    bool Exec(const std::string& commandLine);

    // Logs the check, takes note of a pending stop request and returns the interrupted flag,
    // which stays set for the rest of the run once set.
    bool ShouldExit();

    // The error fields of the most recent failure (a success does not clear them).
    uint32_t GetLastError() const { return m_lastError; }
    // True when the last failure concerned the destination (create, write, close, directory).
    bool GetErrorOnDestination() const { return m_errorOnDestination; }
    // The destination of the last copy, or the directory whose creation failed.
    const std::string& GetDestinationName() const { return m_destinationName; }
    const std::string& GetSourceName() const { return m_sourceName; }
    // True once a stop request has been seen.
    bool IsInterrupted() const { return m_interrupted; }

  private:
    bool StopRequested();
    bool CopyByHand(const std::string& source, const std::string& destination, uint32_t size,
                    bool replacing);
    void SetFailure(uint32_t code, bool onDestination);

    uint32_t m_lastError = 0;
    bool m_errorOnDestination = false;
    std::string m_destinationName;
    std::string m_sourceName;
    LogStream& m_log;
    bool m_interrupted = false;
    ProgressSink* m_sink = nullptr;
};

}  // namespace zefi
