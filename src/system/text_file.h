// CTextFile: reads and edits the product's configuration and batch files line by line (keys,
// the first "REM " line, the "&" block, text replacement, the data path of a start batch file).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zefi {

// Files are read in text mode one piece at a time: a piece is a line of at most 255 characters
// with its line end, and a longer line counts as several lines of that length (127 characters
// for FindStartPath). Prefixes, keys and searched texts compare case-insensitively.
//
// A rewriting operation writes the new content to a temporary file beside the file (the path up
// to its last "." followed by "bak") and, once that is complete, replaces the file with it in
// one step, after clearing its read-only attribute. The temporary file is flushed to the disk
// before the rename. Whatever fails, power cuts included, the file holds either its old or its
// new content; a failure may leave the temporary file behind.
class CTextFile {
  public:
    explicit CTextFile(const std::string& path);

    // Value of the first line whose first three characters match key's (case-insensitively),
    // up to the first white space after "=" and the blanks that follow it. "" when the key is
    // empty, the file cannot be read, nothing matches or the matching line has no "=".
    std::string ReadKey(const std::string& key);
    // As ReadKey, but the whole rest of the line with trailing white space removed.
    std::string ReadKeyLine(const std::string& key);
    // Rewrites every matching line as its text up to its first "=", a space and value. False
    // (file unchanged) when the file cannot be rewritten or a matching line has no "=".
    bool WriteKey(const std::string& key, const std::string& value);

    // The first line beginning with "REM " (case-insensitively), with its line end; "" if none.
    std::string GetRemLine();
    // Replaces the first "REM " line by line, written as given (it carries its own line end).
    bool SetRemLine(const std::string& line);

    // The first run of consecutive lines beginning with "&", with their line ends; "" if none.
    std::string GetAmpersandBlock();
    // Replaces the first "&" line by text and drops every later "&" line of the file.
    bool SetAmpersandBlock(const std::string& text);

    // In every line, replaces the first occurrence of oldText (found case-insensitively) by
    // newText. An empty oldText occurs nowhere. Never changes the last error.
    bool ReplaceText(const std::string& oldText, const std::string& newText);

    // The data path given by "-f" in a start batch file, completed with the directory that the
    // batch file's "CD" and drive lines lead to; "" when no line gives one.
    std::string FindStartPath();

    // Clears the file's read-only attribute and deletes it. False (with the last error) when
    // the deletion fails.
    bool Remove();

    // Whether the last reading operation (ReadKey, ReadKeyLine, GetRemLine, GetAmpersandBlock,
    // FindStartPath) met a read error. Its result is then "", never the part read before the
    // error, and GetLastError holds the error's code.
    bool ReadFailed() const { return m_readFailed; }

    // The system error code of the last failed step (0 until one fails). A reading operation
    // changes it only when it meets a read error; a file that cannot be opened reads as "".
    uint32_t GetLastError() const { return m_lastError; }
    const std::string& GetPath() const { return m_path; }

    // The temporary file a rewrite of path writes first ("autoexec.bat" -> "autoexec.bak").
    static std::string TemporaryName(const std::string& path);

  private:
    // What a rewrite does with one piece: write *out (which starts as the piece), drop the piece,
    // or abandon the rewrite with false.
    enum class PieceAction { kWrite, kDrop, kAbort };
    using PieceEditor = std::function<PieceAction(const std::string& piece, std::string* out)>;

    bool Rewrite(const PieceEditor& edit, bool storeError);
    void StoreError(bool storeError);
    std::string ReadValue(const std::string& key, bool wholeLine);
    // The result of a reading pass (a Pass of text_file.cpp): result, or "" after a read error.
    std::string ReadResult(int pass, const std::string& result);

    uint32_t m_lastError = 0;
    bool m_readFailed = false;
    std::string m_path;
};

}  // namespace zefi
