#include "../message_box.h"
#include "../window.h"
#include "native.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

void showMessage(Window& owner, const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, toQt(caption), toQt(text), QMessageBox::Ok,
                    owner.native().widget());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    // What the OK button reads on a Chinese desktop; X11 themes would add an icon to it.
    ok->setText(QStringLiteral("确定"));
    ok->setIcon(QIcon());
    box.exec();
}

} // namespace ui
