#include "../message_box.h"
#include "../window.h"
#include "native.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include <algorithm>

namespace ui {

namespace {

// On Wayland the toolkit may draw the title bar itself: the caption centred over the whole
// width, cut short of the three buttons on the right (minimise, maximise and close, which it
// draws whatever the window's flags) and so of as much on the left. A box no wider than its
// text would show its caption cut, so it is made wide enough for the whole caption.
void makeRoomForCaption(QMessageBox& box) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    constexpr int kButtons = 77; // three 18 px buttons, their spacing and margins
    constexpr int kFrame = 6;    // the frame's 3 px either side of the content
    QFont drawn = box.font();
    drawn.setPixelSize(14); // the title bar's own size
    const int caption = std::max(QFontMetrics(drawn).horizontalAdvance(box.windowTitle()),
                                 QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()));
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid)
        grid->addItem(new QSpacerItem(caption + 2 * kButtons - kFrame, 0), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

} // namespace

void showMessage(Window& owner, const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, toQt(caption), toQt(text), QMessageBox::Ok,
                    owner.native().widget());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    // What the OK button reads on a Chinese desktop; X11 themes would add an icon to it.
    ok->setText(QStringLiteral("确定"));
    ok->setIcon(QIcon());
    makeRoomForCaption(box);
    box.exec();
}

} // namespace ui
