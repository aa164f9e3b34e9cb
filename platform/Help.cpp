#include "platform/Help.h"

#include "platform/Paths.h"
#include "platform/Process.h"

#include <sys/stat.h>

namespace corvex::platform {

namespace {

std::string& HelpFileName() {
    static std::string name;
    return name;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Every topic the program asks for today is 101, the contents, which opens the manual.
std::string TopicPage(int context) {
    (void)context;
    return "corvex.html";
}

} // namespace

void SetHelpFile(const std::string& name) {
    HelpFileName() = name;
}

std::string HelpFile() {
    return HelpFileName();
}

std::optional<std::string> HelpTopicPath(int context) {
    const std::string dir = ExecutableDirectory();
    const std::string page = TopicPage(context);
    for (const std::string& candidate : {dir + "help/" + page, dir + "../share/corvex/help/" + page}) {
        if (IsFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

HelpResult ShowHelpTopic(int context, std::string* page) {
    const auto found = HelpTopicPath(context);
    if (page)
        *page = found.value_or(ExecutableDirectory() + "help/" + TopicPage(context));
    if (!found)
        return HelpResult::ManualMissing;
    const auto opener = FindProgram("xdg-open", "");
    if (!opener || !StartDetached(*opener, {*found}))
        return HelpResult::ViewerMissing;
    return HelpResult::Shown;
}

} // namespace corvex::platform
