// The install script checker: the engine's reader, option keys and action names applied to a
// whole script at once, and the medium's files looked up as the copy actions would.
#include "script/script_check.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <set>
#include <utility>

#include "platform/fs.h"
#include "script/actions.h"
#include "script/ins_grp.h"
#include "script/inscfg.h"

namespace zefi {

namespace {

const char* const kStartGroups[] = {"STARTW", "STARTNW", "STARTMW"};
const char* const kDiskNames = "DiskNames";
// Option keys whose values name groups to run.
const char* const kListKeys[] = {"List", "Positive", "Negative"};

bool IsDirectory(const std::string& path) {
    uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes &&
           (attributes & platform::kAttrDirectory) != 0;
}

bool Matches(const std::string& pattern) {
    platform::FindHandle find;
    platform::FindData data;
    return find.First(pattern, &data);
}

// directory without a trailing separator (a drive root keeps its form "X:").
std::string StripSeparator(std::string directory) {
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/'))
        directory.pop_back();
    return directory;
}

std::string Quoted(const CMBString& text) { return "'" + text.str() + "'"; }

// Whether text is a whole number as a size must be: digits only.
bool IsWholeNumber(const CMBString& text) {
    if (text.IsEmpty()) return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text.GetAt(i)))) return false;
    return true;
}

// Where the first block of a group begins.
struct GroupBlock {
    int headerLine = 0;  // physical line of its header
};

// A group named in a List, Positive or Negative option of another group.
struct ListEdge {
    std::string target;  // the group's name, without the "!" of the no-install mode
    std::string key;     // the option that names it
    int line = 0;        // physical line of that option
};

// One entry of a group as the engine reads it.
struct Entry {
    int kind = InsCfg::kEntryNone;
    CMBString key;
    CMBString value;     // references expanded, as the group processor gets it
    CMBString rawValue;  // as written
    int line = 0;        // physical line
};

class ScriptChecker {
  public:
    ScriptChecker(const std::string& path, std::string displayName,
                  const std::vector<std::string>& disks)
        : m_display(std::move(displayName)), m_disks(disks) {
        m_readable = m_script.Open(path) && m_script.ReadLines(&m_lines);
    }

    std::vector<CheckMessage> Run() {
        if (!m_readable) {
            Report(0, "the install script cannot be read");
            return m_messages;
        }
        ScanLines();
        FindReachedGroups();
        ReportCycles();
        for (const std::string& name : m_reachedInOrder) CheckGroup(name);
        ReportUnreached();
        std::stable_sort(
            m_messages.begin(), m_messages.end(),
            [](const CheckMessage& a, const CheckMessage& b) { return a.line < b.line; });
        return m_messages;
    }

  private:
    void Report(int line, const std::string& text) {
        m_messages.push_back(CheckMessage{m_display, line, text});
    }

    // Headers, blocks, split lines and every reference of the file.
    void ScanLines() {
        std::string current;  // the group whose first block the lines belong to ("" none)
        bool inBlock = false;
        for (size_t i = 0; i < m_lines.size(); ++i) {
            const InsCfg::ScriptLine& line = m_lines[i];
            if (line.continued) {
                if (!m_lines[i - 1].continued) {
                    Report(line.physicalLine,
                           "line longer than 511 characters: the reader splits it, and reads "
                           "its remainder as a line of its own");
                }
                continue;
            }
            if (line.text.GetAt(0) == ';') continue;
            if (line.text.GetAt(0) == '[') {
                CMBString name;
                if (!InsCfg::HeaderName(line.text, &name)) {
                    Report(line.physicalLine,
                           "unbalanced '[': a header without ']' names no group");
                    inBlock = false;
                    continue;
                }
                if (inBlock && name.str() == current) continue;  // passed over by the reader
                auto first = m_groups.find(name.str());
                if (first != m_groups.end()) {
                    Report(line.physicalLine, "second block of group " + Quoted(name) +
                                                  " is never read (the group is read from line " +
                                                  std::to_string(first->second.headerLine) + ")");
                    inBlock = false;
                    continue;
                }
                m_groups[name.str()] = GroupBlock{line.physicalLine};
                current = name.str();
                inBlock = true;
                continue;
            }
            // Groups that hold values for references are data, not groups to run.
            CMBString key;
            CMBString value;
            if (InsCfg::ParseEntry(line.text, &key, &value) == InsCfg::kEntryNone) continue;
            std::vector<InsCfg::Reference> references;
            InsCfg::FindReferences(value, &references);
            for (const InsCfg::Reference& reference : references)
                m_referenced.insert(reference.group.str());
        }
    }

    // The entries of a group's first block, as GetGroupVal gives them to the group processor.
    std::vector<Entry> Entries(const std::string& group) const {
        std::vector<Entry> entries;
        int number = 0;
        int kind = InsCfg::kEntryNone;
        CMBString key;
        CMBString value;
        while (m_script.GetGroupVal(group, &number, &key, &value, &kind)) {
            if (number < 1 || static_cast<size_t>(number) > m_lines.size()) break;
            const InsCfg::ScriptLine& line = m_lines[static_cast<size_t>(number) - 1];
            // The remainder of a split line has been reported with the split.
            if (kind == InsCfg::kEntryNone || line.continued) continue;
            Entry entry;
            entry.kind = kind;
            entry.key = key;
            entry.value = value;
            entry.line = line.physicalLine;
            CMBString rawKey;
            InsCfg::ParseEntry(line.text, &rawKey, &entry.rawValue);
            entries.push_back(std::move(entry));
        }
        return entries;
    }

    // Every group a start group leads to through List, Positive and Negative, and the groups
    // named there that do not exist.
    void FindReachedGroups() {
        std::deque<std::string> queue;
        for (const char* start : kStartGroups) {
            if (m_groups.count(start)) queue.push_back(start);
        }
        if (queue.empty()) Report(0, "no start group STARTW, STARTNW or STARTMW");
        std::set<std::string> queued(queue.begin(), queue.end());
        while (!queue.empty()) {
            std::string group = queue.front();
            queue.pop_front();
            m_reachedInOrder.push_back(group);
            for (const Entry& entry : Entries(group)) {
                if (entry.kind != InsCfg::kEntryOption || !IsListKey(entry.key)) continue;
                CMBString item;
                for (int index = 0; InsCfg::GetValList(entry.value, index, &item); ++index) {
                    // A leading "!" runs the group in no-install mode.
                    CMBString name = item.GetAt(0) == '!' ? item.From(1) : item;
                    if (name.IsEmpty()) continue;
                    if (!m_groups.count(name.str())) {
                        Report(entry.line, "group " + Quoted(name) + " named in " +
                                               entry.key.str() + " does not exist");
                        continue;
                    }
                    m_edges[group].push_back(ListEdge{name.str(), entry.key.str(), entry.line});
                    if (queued.insert(name.str()).second) queue.push_back(name.str());
                }
            }
        }
    }

    // Lists that lead back to a group whose sub-list is still running: the installer skips
    // that group there. Each is reported at the option that closes the cycle, found by a walk
    // from the start groups in script order (a loop, not recursion, as scripts can be deep).
    void ReportCycles() {
        enum class Mark { kNew, kOnPath, kDone };
        std::map<std::string, Mark> marks;
        std::set<std::pair<int, std::string>> reported;
        struct Step {
            std::string group;
            size_t next = 0;  // the next of its edges to follow
        };
        for (const char* start : kStartGroups) {
            if (!m_groups.count(start) || marks[start] != Mark::kNew) continue;
            marks[start] = Mark::kOnPath;
            std::vector<Step> path{Step{start}};
            while (!path.empty()) {
                const std::vector<ListEdge>& edges = m_edges[path.back().group];
                if (path.back().next == edges.size()) {
                    marks[path.back().group] = Mark::kDone;
                    path.pop_back();
                    continue;
                }
                const ListEdge& edge = edges[path.back().next++];
                Mark& mark = marks[edge.target];
                if (mark == Mark::kNew) {
                    mark = Mark::kOnPath;
                    path.push_back(Step{edge.target});
                } else if (mark == Mark::kOnPath &&
                           reported.emplace(edge.line, edge.target).second) {
                    std::string cycle;
                    bool inCycle = false;
                    for (const Step& step : path) {
                        inCycle = inCycle || step.group == edge.target;
                        if (inCycle) cycle += step.group + " -> ";
                    }
                    Report(edge.line, "group " + Quoted(edge.target) + " named in " + edge.key +
                                          " closes the cycle " + cycle + edge.target +
                                          ": the installer skips it there");
                }
            }
        }
    }

    static bool IsListKey(const CMBString& key) {
        for (const char* listKey : kListKeys)
            if (key == listKey) return true;
        return false;
    }

    void CheckReferences(const Entry& entry) {
        std::vector<InsCfg::Reference> references;
        if (!InsCfg::FindReferences(entry.rawValue, &references)) {
            Report(entry.line,
                   "unbalanced '[': no ']' follows, so nothing in the value is expanded");
        }
        for (const InsCfg::Reference& reference : references) {
            std::string shown = "[" + reference.group.str() + ":" + reference.key.str() + "]";
            CMBString value;
            if (!m_groups.count(reference.group.str())) {
                Report(entry.line, "reference " + shown + ": no group " + Quoted(reference.group));
            } else if (!m_script.GetValue(reference.group, reference.key, &value, false)) {
                Report(entry.line, "reference " + shown + ": no key " + Quoted(reference.key) +
                                       " in group " + Quoted(reference.group));
            }
        }
    }

    // The disk whose root holds cd ("" for none of the disks); the medium itself without cd.
    std::string DiskOf(const CMBString& cd) const {
        if (cd.IsEmpty()) return m_disks.front();
        for (const std::string& disk : m_disks) {
            if (platform::GetFileAttributes(disk + "\\" + cd.str()) !=
                platform::kInvalidFileAttributes)
                return disk;
        }
        return "";
    }

    void CheckGroup(const std::string& group) {
        CMBString source;
        CMBString cd;
        int sourceLine = 0;
        std::vector<const Entry*> copies;
        std::vector<Entry> entries = Entries(group);
        for (const Entry& entry : entries) {
            CheckReferences(entry);
            if (entry.kind == InsCfg::kEntryAction) {
                const ActionCode code = ActionCodeFromName(entry.key);
                if (code == kActionNone) {
                    Report(entry.line, "unknown action " + Quoted(entry.key));
                } else if (code >= kActionInstall && code <= kActionInstallAppBatch) {
                    copies.push_back(&entry);
                }
                continue;
            }
            if (!CInsGrp::IsOptionKey(entry.key)) {
                Report(entry.line, "unknown option key " + Quoted(entry.key));
            } else if (entry.key == "Size" && !IsWholeNumber(entry.value)) {
                Report(entry.line, "Size value " + Quoted(entry.value) + " is not a number");
            } else if (entry.key == "Source") {
                source = entry.value;
                sourceLine = entry.line;
            } else if (entry.key == "CD") {
                cd = entry.value;
                CMBString name;
                if (!m_script.GetValue(kDiskNames, cd, &name, true)) {
                    Report(entry.line, "disk " + Quoted(cd) + " has no entry in group DiskNames");
                }
            }
        }
        CheckFiles(source, sourceLine, cd, copies);
    }

    // The Source directory and the copied files on the disk the group reads from.
    void CheckFiles(CMBString source, int sourceLine, const CMBString& cd,
                    const std::vector<const Entry*>& copies) {
        const std::string disk = DiskOf(cd);
        if (disk.empty()) return;  // a disk the checker was not given
        source.Replace("[SrcBase]", "");
        if (source.Find("[DstBase]") >= 0) return;
        std::string directory = disk + "\\" + source.str();
        if (!source.IsEmpty() && !IsDirectory(directory)) {
            Report(sourceLine, "Source directory " + Quoted(source) + " not found on the medium");
            return;
        }
        if (directory.back() != '\\') directory += '\\';
        for (const Entry* copy : copies) {
            CMBString pattern = copy->value;
            pattern.Replace("[SrcBase]", "");
            if (pattern.IsEmpty() || pattern.Find("[DstBase]") >= 0) continue;
            if (!Matches(directory + pattern.str())) {
                Report(copy->line, ":" + copy->key.str() + " " + Quoted(pattern) +
                                       " matches nothing in " + Quoted(source));
            }
        }
    }

    void ReportUnreached() {
        std::set<std::string> reached(m_reachedInOrder.begin(), m_reachedInOrder.end());
        for (const auto& [name, block] : m_groups) {
            if (reached.count(name) || m_referenced.count(name) || name == kDiskNames) continue;
            Report(block.headerLine,
                   "group " + Quoted(name) + " is not reached from STARTW, STARTNW or STARTMW");
        }
    }

    std::string m_display;
    const std::vector<std::string>& m_disks;
    InsCfg m_script;
    bool m_readable = false;
    std::vector<InsCfg::ScriptLine> m_lines;
    std::map<std::string, GroupBlock> m_groups;
    std::map<std::string, std::vector<ListEdge>> m_edges;  // by the group whose option it is
    std::set<std::string> m_referenced;
    std::vector<std::string> m_reachedInOrder;
    std::vector<CheckMessage> m_messages;
};

// The directories directly under directory.
std::vector<std::string> Subdirectories(const std::string& directory) {
    std::vector<std::string> found;
    platform::FindHandle find;
    platform::FindData data;
    for (bool more = find.First(directory + "\\*", &data); more; more = find.Next(&data)) {
        if ((data.attributes & platform::kAttrDirectory) && data.name != "." && data.name != "..")
            found.push_back(directory + "\\" + data.name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

std::string FormatCheckMessage(const CheckMessage& message) {
    return message.file + ":" + std::to_string(message.line) + ": " + message.text;
}

std::vector<CheckMessage> CheckScript(const std::string& scriptPath, const std::string& displayName,
                                      const std::vector<std::string>& disks) {
    return ScriptChecker(scriptPath, displayName, disks).Run();
}

std::vector<CheckMessage> CheckMedium(const std::string& mediumDirectory,
                                      const std::vector<std::string>& furtherDisks) {
    const std::string medium = StripSeparator(mediumDirectory);
    std::vector<std::string> disks{medium};
    for (const std::string& sub : Subdirectories(medium)) disks.push_back(sub);
    for (const std::string& disk : furtherDisks) disks.push_back(StripSeparator(disk));

    // Shown the way the caller wrote the directory.
    const char separator = mediumDirectory.find('\\') != std::string::npos ? '\\' : '/';
    std::string shown = mediumDirectory;
    if (!shown.empty() && shown.back() != '\\' && shown.back() != '/') shown += separator;

    std::vector<CheckMessage> messages;
    for (const char* script : {"cd.cfg", "cds.cfg"}) {
        std::vector<CheckMessage> found =
            CheckScript(medium + "\\" + script, shown + script, disks);
        messages.insert(messages.end(), found.begin(), found.end());
    }
    return messages;
}

}  // namespace zefi
