# Prints each test that GoogleTest skipped, once, as "Suite.Test: reason", from test output:
# plain (CR LF too), or the <system-out> of a ctest JUnit file, whose text is XML-escaped. The
# reason is what GTEST_SKIP() said, on the lines between "file:line: Skipped" and the test's
# "[  SKIPPED ]" line, joined by blanks.
#   awk -f gtest-skips.awk OUTPUT...
function unescape(text) {
    gsub(/&lt;/, "<", text)
    gsub(/&gt;/, ">", text)
    gsub(/&quot;/, "\"", text)
    gsub(/&apos;/, "'", text)
    gsub(/&amp;/, "\\&", text)
    return text
}
{ sub(/\r$/, "") }
/: Skipped$/ { collecting = 1; reason = ""; next }
/^\[  SKIPPED \] [^ ]+ \([0-9]+ ms\)$/ {
    if (!($4 in seen)) {
        seen[$4] = 1
        print $4 ": " (reason == "" ? "(no reason given)" : unescape(reason))
    }
    collecting = 0
    reason = ""
    next
}
collecting { reason = reason (reason == "" ? "" : " ") $0 }
