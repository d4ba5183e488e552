#include "../message_box.h"
#include "../window.h"
#include "native.h"
#include "window_frame.h"

#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace ui {

namespace {

// Where the program draws the frame, the box sits inside it and is wide enough for its whole
// caption, as a system's message box is.
void putInOwnFrame(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!drawsOwnFrames() || !grid)
        return;
    addOwnFrame(&box);
    const QMargins margins = grid->contentsMargins() + ownFrameMargins();
    grid->setContentsMargins(margins);
    grid->addItem(new QSpacerItem(widthForCaption(&box) - margins.left() - margins.right(), 0),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void showMessage(Window& owner, const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, toQt(caption), toQt(text), QMessageBox::Ok,
                    owner.native().widget());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    // What the OK button reads on a Chinese desktop; X11 themes would add an icon to it.
    ok->setText(QStringLiteral("确定"));
    ok->setIcon(QIcon());
    putInOwnFrame(box);
    box.exec();
}

} // namespace ui
