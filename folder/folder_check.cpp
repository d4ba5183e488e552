#include "folder_check.h"

#include "form2.h"

namespace folder {

namespace {
constexpr const char* kGateText = "检测";
constexpr int kFolderPauseMs = 300;
} // namespace

void folderCheck(const checks::RunTarget& target) {
    {
        // Gone before the run starts: nothing of the chooser outlives its closing.
        Form2 chooser(target.status);
        chooser.showModal();
    }
    if (target.status.text().find(kGateText) != std::string::npos)
        checks::checkRun(target, kFolderPauseMs);
}

} // namespace folder
