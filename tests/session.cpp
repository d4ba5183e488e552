#include "session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace test {

Session::Session(std::function<ui::Date()> today)
    : form(std::move(today)) {
    form.Form_Load();
    form.show();
    ui::setPauseHandler([this](int ms) { onPause(ms); });
    ui::testing::onModalWindow([this](ui::testing::ModalWindow& modal) { onModal(modal); });
    // Its one button, whatever the system's language calls it.
    dismiss_ = [](ui::testing::ModalWindow& modal) { modal.clickButton(modal.buttons().at(0)); };
}

Session::~Session() {
    ui::setPauseHandler({});
    ui::testing::onModalWindow({});
}

void Session::onPause(int milliseconds) {
    pauses.push_back(
        {milliseconds, form.HS.value(), form.HS.maximum(), form.Label3.text(), delivered_});
    // Anything posted now stands for input that arrives during the pause.
    delivered_ = false;
    ui::testing::post([this] { delivered_ = true; });
    const auto action = actions_.find(pauses.size() - 1);
    if (action != actions_.end())
        action->second();
}

void Session::onModal(ui::testing::ModalWindow& modal) {
    const std::vector<std::string> texts = modal.texts();
    const bool report = std::find(texts.begin(), texts.end(), kReport) != texts.end();
    if (!report) {
        if (dialog_)
            dialog_(modal);
        else {
            ADD_FAILURE() << "unexpected modal window \"" << modal.caption() << "\"";
            modal.clickCloseBox();
        }
        return;
    }
    reports.push_back({modal.caption(), texts, modal.buttons(), modal.hasIcon(), form.Label3.text(),
                       form.HS.value(), pauses.size()});
    dismiss_(modal);
}

std::string pauseRuns(const std::vector<Pause>& pauses) {
    std::ostringstream out;
    for (std::size_t i = 0; i < pauses.size();) {
        std::size_t j = i;
        while (j < pauses.size() && pauses[j].milliseconds == pauses[i].milliseconds)
            ++j;
        out << (i ? " " : "") << (j - i) << "x" << pauses[i].milliseconds;
        i = j;
    }
    return out.str();
}

} // namespace test
