// The help viewer: the HTML manual beside the program, shown in the desktop's browser.
#pragma once

#include <optional>
#include <string>

namespace corvex::platform {

// The application's help file name, as the program sets it ("Corvex.hlp"). On this system the
// name only selects the manual; its case does not matter, as on Windows.
void SetHelpFile(const std::string& name);
std::string HelpFile();

// Where the page of a help topic lies: help/ beside the program (a build tree), then the
// installed share/corvex/help/ next to the program's bin/. nullopt when neither holds it.
std::optional<std::string> HelpTopicPath(int context);

enum class HelpResult { Shown, ManualMissing, ViewerMissing };

// Shows the topic of the current help file in the desktop's browser (xdg-open), without
// waiting for it. page receives the page shown, or the one looked for when it is missing.
HelpResult ShowHelpTopic(int context, std::string* page = nullptr);

} // namespace corvex::platform
