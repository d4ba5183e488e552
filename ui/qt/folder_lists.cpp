#include "../folder_lists.h"
#include "../folder_read.h"
#include "../folder_row.h"
#include "folder_lists_private.h"
#include "font_families.h"
#include "native.h"

#include <QAbstractListModel>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QListView>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

namespace fs = std::filesystem;

namespace ui {

namespace {

// The drive whose root holds the path: the longest root that is a prefix of it.
std::string driveOf(const std::string& path, const std::vector<std::string>& drives) {
    const fs::path target = fs::path(path).lexically_normal();
    std::string best;
    for (const std::string& drive : drives) {
        const fs::path relative = target.lexically_relative(fs::path(drive));
        const bool inside = !relative.empty() && *relative.begin() != "..";
        if (inside && drive.size() > best.size())
            best = drive;
    }
    return best;
}

// Drive and folder names can hold any character, not only those of the program's own texts.
QFont namesFont() {
    QFont font = QApplication::font();
    font.setFamilies(interfaceFamilies());
    return font;
}

QAccessibleInterface* driveComboAccessible(const QString& key, QObject* object);

class DriveCombo : public QComboBox {
public:
    DriveCombo() {
        static const bool installed = (QAccessible::installFactory(driveComboAccessible), true);
        (void)installed;
        setFont(namesFont()); // the drop-down list takes it too
        for (const std::string& drive : systemDrives())
            addItem(QString::fromStdString(drive), QByteArray::fromStdString(drive));
    }

    std::vector<std::string> drives() const {
        std::vector<std::string> result;
        for (int i = 0; i < count(); ++i)
            result.push_back(itemData(i).toByteArray().toStdString());
        return result;
    }

    void select(const std::string& drive) {
        const int index = findData(QByteArray::fromStdString(drive));
        if (index >= 0)
            setCurrentIndex(chosen = index);
    }

    int chosen = -1; // the drive last chosen or selected
};

// Qt on Linux names a drop-down list after its current item, expecting a label beside it to
// tell what it is for; the drive list has none, so it tells its own name, and its drive as its
// value.
class DriveComboAccessible : public QAccessibleWidget {
public:
    explicit DriveComboAccessible(DriveCombo* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name)
            return combo().accessibleName();
        if (kind == QAccessible::Value)
            return combo().currentText();
        return QAccessibleWidget::text(kind);
    }
    // The drop-down list, as a child.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo().view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo().view() ? 0 : -1;
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction())
            combo().showPopup();
    }

private:
    QComboBox& combo() const { return *static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* driveComboAccessible(const QString&, QObject* object) {
    auto* combo = dynamic_cast<DriveCombo*>(object);
    return combo ? new DriveComboAccessible(combo) : nullptr;
}

struct FolderRow {
    std::string path;
    QString name;
    int depth;
    bool open;
};

class FolderModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const FolderRow& row = rows_[index.row()];
        switch (role) {
        case Qt::DisplayRole:
            return row.name;
        case Qt::DecorationRole:
            return QApplication::style()->standardIcon(row.open ? QStyle::SP_DirOpenIcon
                                                                : QStyle::SP_DirClosedIcon);
        case kDepthRole:
            return row.depth;
        case kOpenRole:
            return row.open;
        case Qt::AccessibleDescriptionRole:
            return toQt(folderRowDescription(row.depth, row.open));
        default:
            return {};
        }
    }

    const FolderRow& row(int index) const { return rows_[index]; }
    int currentRow() const { return current_; }

    void reset(std::vector<FolderRow> rows, int current) {
        beginResetModel();
        rows_ = std::move(rows);
        current_ = current;
        endResetModel();
    }

private:
    std::vector<FolderRow> rows_;
    int current_ = -1;
};

// Indents each folder by its depth below the root.
class IndentingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kIndent = 8;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + kIndent * index.data(kDepthRole).toInt());
        QStyledItemDelegate::paint(painter, shifted, index);
    }
};

// Case-blind order, as a user reads a folder listing; ties keep a fixed order by bytes.
std::string foldCase(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return name;
}

// Subfolder names of a folder, or nullopt if it cannot be read. Names are kept as the bytes
// the file system has, so that a name that is not valid UTF-8 can still be entered.
std::optional<std::vector<std::string>> subfolders(const fs::path& folder) {
    std::error_code error;
    fs::directory_iterator it(folder, fs::directory_options::none, error);
    if (error)
        return std::nullopt;
    std::vector<std::pair<std::string, std::string>> sorted; // (folded name, name)
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            return std::nullopt; // vanished while being read
        std::error_code entry_error;
        // Follows links; a link loop or a dangling link is simply not a folder.
        if (it->is_directory(entry_error)) {
            std::string name = it->path().filename().string();
            sorted.emplace_back(foldCase(name), std::move(name));
        }
    }
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> names;
    names.reserve(sorted.size());
    for (auto& entry : sorted)
        names.push_back(std::move(entry.second));
    return names;
}

// The drive the folder lies on, as the drive list names it; the file system's root where no
// drive holds it.
fs::path driveRootOf(const fs::path& folder) {
    const std::string drive = driveOf(folder.string(), systemDrives());
    return drive.empty() ? folder.root_path() : fs::path(drive);
}

class FolderList : public QListView {
public:
    // Until its first folder has been read the list shows that folder's drive, its root alone.
    explicit FolderList(const fs::path& start)
        : start_(start) {
        setFont(namesFont());
        setModel(&model_);
        setItemDelegate(new IndentingDelegate(this));
        setUniformItemSizes(true);
        setEditTriggers(NoEditTriggers);
        // Double-click only: Enter and, on some styles, single clicks raise activated().
        connect(this, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
            const std::string target = model_.row(index.row()).path; // open() replaces the rows
            if (isUnavailable(open(target)) && unavailable)
                unavailable();
        });
        show(driveRootOf(start), {});
    }

    // Messages are delivered while the folder is read, so the user may ask for another one
    // meanwhile; the last asked for wins.
    Listing open(const std::string& path) {
        std::error_code error;
        const fs::path folder = fs::absolute(fs::path(path), error).lexically_normal();
        if (error)
            return Listing::Unreadable;
        std::vector<std::string> names;
        if (const Listing listing = readFolder<std::string>(
                asked_, driveRootOf(folder).string(), [folder] { return subfolders(folder); },
                names);
            listing != Listing::Shown)
            return listing;
        show(folder, names);
        return Listing::Shown;
    }

    const std::string& path() const { return path_; }
    bool firstReadDue() const { return start_.has_value(); }

    std::function<void()> unavailable;
    std::function<void()> afterFirstRead; // once, when the first folder has been read

protected:
    // The first folder is read once the list is on screen, from the dialog's own loop: a
    // folder that does not answer keeps nothing from appearing, and the dialog is modal by then.
    void showEvent(QShowEvent* event) override {
        QListView::showEvent(event);
        if (!event->spontaneous() && start_ && !firstReadQueued_) {
            firstReadQueued_ = true;
            QMetaObject::invokeMethod(this, [this] { readFirst(); }, Qt::QueuedConnection);
        }
    }
    // A dialog that closes wants no answer: the folder it waits for is no longer asked for, so
    // the handler waiting for it goes on at once. The window system hiding it is no closing.
    void hideEvent(QHideEvent* event) override {
        if (!event->spontaneous())
            ++asked_;
        QListView::hideEvent(event);
    }

private:
    // A folder that has gone leaves its drive's root; one that does not answer, the root row
    // shown already, with no other worker started on that drive.
    void readFirst() {
        if (isVisible() && open(start_->string()) == Listing::Unreadable)
            open(driveRootOf(*start_).string());
        start_.reset();
        if (afterFirstRead)
            std::exchange(afterFirstRead, {})();
    }

    // The folder's drive and ancestors as open folders, then its subfolders as closed ones.
    void show(const fs::path& folder, const std::vector<std::string>& names) {
        // The first row is the drive's root, as on Windows: the folders above a drive mounted
        // inside another are that other drive's.
        fs::path walked = driveRootOf(folder);
        std::vector<FolderRow> rows = {
            {walked.string(), QString::fromStdString(walked.string()), 0, true}};
        for (const fs::path& part : folder.lexically_relative(walked)) {
            if (part.empty() || part == ".")
                continue; // a trailing separator, or the root itself
            walked /= part;
            rows.push_back(
                {walked.string(), QString::fromStdString(part.string()), int(rows.size()), true});
        }
        const int current = int(rows.size()) - 1;
        for (const std::string& name : names)
            rows.push_back(
                {(folder / name).string(), QString::fromStdString(name), current + 1, false});

        model_.reset(std::move(rows), current);
        path_ = folder.string();
        const QModelIndex index = model_.index(current);
        setCurrentIndex(index);
        scrollTo(index);
    }

    FolderModel model_;
    std::string path_;
    int asked_ = 0;                 // folders asked for so far
    std::optional<fs::path> start_; // the first folder, until it has been read
    bool firstReadQueued_ = false;
};

} // namespace

DriveList::DriveList(Container& parent, Rect rect)
    : Control(std::make_unique<Native>(new DriveCombo)) {
    auto* combo = static_cast<DriveCombo*>(native().widget());
    combo->setParent(parent.native().container());
    combo->setGeometry(toPixels(rect));
    std::error_code error; // the current folder may have been removed under the program
    selectDriveOf(fs::current_path(error).string());
}

std::string DriveList::drive() const {
    return static_cast<QComboBox*>(native().widget())->currentData().toByteArray().toStdString();
}

std::string DriveList::currentFolder() const {
    auto* combo = static_cast<DriveCombo*>(native().widget());
    std::error_code error;
    const std::string current = fs::current_path(error).string();
    return !error && driveOf(current, combo->drives()) == drive() ? current : drive();
}

void DriveList::selectDriveOf(const std::string& path) {
    auto* combo = static_cast<DriveCombo*>(native().widget());
    combo->select(driveOf(path, combo->drives()));
}

void DriveList::onChange(std::function<void()> handler) {
    auto* combo = static_cast<DriveCombo*>(native().widget());
    // activated() comes from the user only, not from selectDriveOf(), and also when the user
    // takes the drive that was chosen already.
    QObject::connect(combo, &QComboBox::activated, combo, [combo, handler](int index) {
        if (index == combo->chosen)
            return;
        combo->chosen = index;
        handler();
    });
}

// The program's current folder, or the root where it has been removed under the program.
DirList::DirList(Container& parent, Rect rect)
    : Control(std::make_unique<Native>(new FolderList([] {
          std::error_code error;
          const fs::path current = fs::current_path(error);
          return error ? fs::path("/") : current;
      }()))) {
    auto* list = static_cast<FolderList*>(native().widget());
    list->setParent(parent.native().container());
    list->setGeometry(toPixels(rect));
}

std::string DirList::path() const {
    return static_cast<FolderList*>(native().widget())->path();
}

Listing DirList::setPath(const std::string& path) {
    return static_cast<FolderList*>(native().widget())->open(path);
}

void DirList::onUnavailable(std::function<void()> handler) {
    static_cast<FolderList*>(native().widget())->unavailable = std::move(handler);
}

void afterFirstRead(QWidget* window, std::function<void()> action) {
    for (QListView* view : window->findChildren<QListView*>())
        if (auto* list = dynamic_cast<FolderList*>(view); list && list->firstReadDue()) {
            list->afterFirstRead = std::move(action);
            return;
        }
    action();
}

} // namespace ui
