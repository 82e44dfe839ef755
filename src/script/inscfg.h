// InsCfg: the reader of the install script ("cd.cfg" / "cds.cfg").
#pragma once

#include <vector>

#include "script/mbstring.h"

namespace zefi {

class LogStream;

// Reads the install script, a text file of groups ("[name]" headers), option lines
// ("key = value") and action lines (":name argument"); ";" in the first column starts a
// comment. Lines are read with a 512-byte buffer: a line longer than 511 characters is split,
// its remainder counting as a line of its own.
//
// The reader keeps nothing between queries but the path: every query opens the script, scans
// it from the first line and closes it again. Only the first block of a group is read; the
// first header of another group after it ends the group.
//
// An InsCfg is used by one thread at a time. The log, when given, must outlive the reader.
class InsCfg {
  public:
    // Kinds of GetGroupVal entries.
    enum : int {
        kEntryNone = 0,    // a body line that is neither (blank line, text without "=")
        kEntryOption = 1,  // key = value
        kEntryAction = 2,  // :name argument
    };

    // One line as the reader reads it.
    struct ScriptLine {
        CMBString text;          // without its line end
        int number = 0;          // the reader's line number, every piece of a split line counting
        int physicalLine = 0;    // the line of the file it comes from, as an editor counts them
        bool continued = false;  // the remainder of a physical line longer than 511 characters
    };
    // A "[group:key]" reference in a value: the text from begin to end (inclusive, the two
    // brackets) stands for the key's value.
    struct Reference {
        CMBString group;
        CMBString key;
        int begin = 0;
        int end = 0;
    };

    // log may be nullptr: then nothing is logged.
    explicit InsCfg(LogStream* log = nullptr);

    // Stores path (a Windows path) for every later query and tells whether the file can be
    // opened for reading; it is closed again at once.
    bool Open(const CMBString& path);
    const CMBString& GetPath() const { return m_path; }

    // The next entry of group after line *line (line numbers count every line read, from 1;
    // 0 starts at the beginning). On success *line is the entry's line, *kind one of the kinds
    // above, *key the option key or action name and *value the option value or action argument
    // with its "[group:key]" references expanded; for kEntryNone both are empty. At the end of
    // the group or of the file *value is emptied and the answer is false. A script that cannot
    // be opened logs "InsCfg::GetGroupVal: OpenError" and answers false.
    bool GetGroupVal(const CMBString& group, int* line, CMBString* key, CMBString* value,
                     int* kind) const;

    // The value of the first option line of group whose key equals key exactly, trimmed at its
    // start and, with wholeLine, at its end; without wholeLine it is cut at its first
    // whitespace (its first word). References are not expanded. False with *value emptied
    // when the key, the group or the script is missing.
    bool GetValue(const CMBString& group, const CMBString& key, CMBString* value,
                  bool wholeLine) const;

    // Item number index of a comma list (see GetCommaListItem).
    static bool GetValList(const CMBString& list, int index, CMBString* item);

    // Whether line is a header of group: it begins with "[" and the text up to the first "]"
    // equals group exactly (no trimming). A line without "]" names no group.
    static bool group_match(const CMBString& line, const CMBString& group);

    // Every line of the script, as GetGroupVal reads them. False when it cannot be opened.
    bool ReadLines(std::vector<ScriptLine>* lines) const;

    // The kind of a body line (kEntryAction, kEntryOption or kEntryNone) with its key and its
    // value as written (references not expanded), by the rules GetGroupVal applies.
    static int ParseEntry(const CMBString& line, CMBString* key, CMBString* value);
    // The name of the group a header line opens: the text between "[" and the first "]".
    // False for a line that is not a header or has no "]" (it names no group).
    static bool HeaderName(const CMBString& line, CMBString* name);
    // The references of value, left to right, as ExpandReferences finds them (brackets without
    // a colon are no reference). False when a "[" has no "]" after it: the value then stays
    // unexpanded, and *references holds those found before it.
    static bool FindReferences(const CMBString& value, std::vector<Reference>* references);

    // Replaces every "[group:key]" reference in *value by GetValue(group, key) in single-word
    // mode, once, left to right; brackets without a colon stay as they are. A "[" with no "]"
    // after it leaves the whole value unexpanded.
    void ExpandReferences(CMBString* value) const;

  private:
    CMBString m_path;
    LogStream* m_log;
};

}  // namespace zefi
