#include "app/Help.h"

#include "app/Prompts.h"
#include "platform/Help.h"

namespace corvex {

void ShowHelpContext(QWidget* parent, const std::string& helpFile, int context) {
    platform::SetHelpFile(helpFile);
    std::string page;
    switch (platform::ShowHelpTopic(context, &page)) {
    case platform::HelpResult::Shown:
        break;
    case platform::HelpResult::ManualMissing:
        CurrentPrompts().Message(parent, QStringLiteral("Corvex 訊息: 找不到說明檔案"),
                                 QStringLiteral("找不到 Corvex 的說明檔案：\n") + DisplayName(page) +
                                     QStringLiteral("\n請重新安裝 Corvex。"));
        break;
    case platform::HelpResult::ViewerMissing:
        CurrentPrompts().Message(parent, QStringLiteral("Corvex 訊息: 無法開啟說明"),
                                 QStringLiteral("無法啟動瀏覽器來顯示說明檔案：\n") + DisplayName(page) +
                                     QStringLiteral("\n請安裝 xdg-utils 或設定預設的瀏覽器。"));
        break;
    }
}

} // namespace corvex
