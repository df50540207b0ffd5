#include "ui/dialogs.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/window_placement.h"
#include "ui/list_models.h"
#include "ui/logo_widget.h"

namespace tavelin::ui {

void placeOnScreen(QWidget* dialog, const QWidget* owner) {
    const QSize size = dialog->size();
    QPoint pos = dialog->pos();
    if (owner != nullptr) {
        const QRect o = owner->geometry();
        pos = QPoint(o.left() + (o.width() - size.width()) / 2,
                     o.top() + (o.height() - size.height()) / 2);
    }
    std::vector<MonitorRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        monitors.push_back({g.left(), g.top(), g.width(), g.height()});
    }
    const MonitorRect placed =
        placeDialog({pos.x(), pos.y(), size.width(), size.height()}, monitors);
    dialog->move(placed.left, placed.top);
}

// ---------------------------------------------------------------------------------------------

namespace {

struct NamedColour {
    const char* name;
    std::int32_t value;  // 0x00BBGGRR
};

// The standard colours, then the extended ones.
constexpr std::array<NamedColour, 20> kColours = {{
    {"Black", 0x000000}, {"Maroon", 0x000080},      {"Green", 0x008000},
    {"Olive", 0x008080}, {"Navy", 0x800000},        {"Purple", 0x800080},
    {"Teal", 0x808000},  {"Gray", 0x808080},        {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},   {"Lime", 0x00FF00},        {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF}, {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
}};

QIcon swatch(std::int32_t colour) {
    QPixmap pixmap(16, 12);
    pixmap.fill(fromColourValue(colour));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

std::int32_t toColourValue(const QColor& c) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(c.red()) |
                                     (static_cast<std::uint32_t>(c.green()) << 8) |
                                     (static_cast<std::uint32_t>(c.blue()) << 16));
}

constexpr int kCustomRole = Qt::UserRole + 1;

}  // namespace

ColourBox::ColourBox(QWidget* parent) : QComboBox(parent) {
    for (const NamedColour& c : kColours) {
        addItem(swatch(c.value), QString::fromLatin1(c.name), c.value);
    }
    addItem(QStringLiteral("Custom..."));
    setItemData(count() - 1, true, kCustomRole);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (itemData(index, kCustomRole).toBool()) {
            chooseCustom();
        } else {
            previous_ = index;
        }
    });
}

void ColourBox::chooseCustom() {
    const QColor chosen = QColorDialog::getColor(fromColourValue(value()), this);
    if (!chosen.isValid()) {
        setCurrentIndex(previous_);
        return;
    }
    setValue(toColourValue(chosen));
}

std::int32_t ColourBox::value() const {
    const QVariant v = itemData(currentIndex());
    return v.isValid() && !itemData(currentIndex(), kCustomRole).toBool() ? v.toInt()
                                                                          : kColours[0].value;
}

void ColourBox::setValue(std::int32_t colour) {
    colour &= 0xFFFFFF;
    int index = findData(colour);
    if (index < 0) {
        // A colour of its own: listed before "Custom...".
        index = count() - 1;
        insertItem(index, swatch(colour), QStringLiteral("Custom"), colour);
    }
    setCurrentIndex(index);
    previous_ = index;
}

// ---------------------------------------------------------------------------------------------

SettingsDialog::SettingsDialog(QWidget* parent, FileChooser& files)
    : QDialog(parent), files_(files) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    listPosition_ = new QComboBox(this);
    image_ = new QComboBox(this);
    statusWidth_ = new QSpinBox(this);
    statusWidth_->setRange(0, 500);
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        colours_[i] = new ColourBox(this);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        helpPaths_[i] = new QLineEdit(this);
        helpExtensions_[i] = new QLineEdit(this);
        helpExtensions_[i]->setMaxLength(32);
    }
    auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    grid->addWidget(label("listPositionLabel"), 0, 0);
    grid->addWidget(listPosition_, 0, 1);
    grid->addWidget(label("imageLabel"), 1, 0);
    grid->addWidget(image_, 1, 1);
    grid->addWidget(label("statusWidthLabel"), 2, 0);
    grid->addWidget(statusWidth_, 2, 1);
    grid->addWidget(label("deleteColourLabel"), 0, 2);
    grid->addWidget(colours_[0], 0, 3);
    grid->addWidget(label("addColourLabel"), 1, 2);
    grid->addWidget(colours_[1], 1, 3);
    grid->addWidget(label("blankColourLabel"), 2, 2);
    grid->addWidget(colours_[2], 2, 3);
    for (int help = 0; help < 2; ++help) {
        const int row = 3 + 2 * help;
        grid->addWidget(label(help == 0 ? "help1Label" : "help2Label"), row, 0);
        grid->addWidget(helpPaths_[static_cast<std::size_t>(help)], row, 1, 1, 2);
        auto* browseButton = new QPushButton(this);
        browseButton->setObjectName(help == 0 ? QStringLiteral("browse1")
                                              : QStringLiteral("browse2"));
        connect(browseButton, &QPushButton::clicked, this, [this, help] { browse(help + 1); });
        grid->addWidget(browseButton, row, 3);
        grid->addWidget(label(help == 0 ? "help1ExtLabel" : "help2ExtLabel"), row + 1, 0);
        grid->addWidget(helpExtensions_[static_cast<std::size_t>(help)], row + 1, 1);
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setCaptions();
    resize(544, 266);
}

void SettingsDialog::setCaptions() {
    setWindowTitle(QStringLiteral("System setting"));
    const std::pair<const char*, const char*> labels[] = {
        {"listPositionLabel", "List position"},
        {"imageLabel", "Character Image"},
        {"statusWidthLabel", "Status width"},
        {"deleteColourLabel", "Delete line color"},
        {"addColourLabel", "Additon line color"},
        {"blankColourLabel", "NULL line color"},
        {"help1Label", "Help1"},
        {"help2Label", "Help2"},
        {"help1ExtLabel", "Help1 extension"},
        {"help2ExtLabel", "Help2 extension"}};
    for (const auto& [name, text] : labels) {
        if (auto* l = findChild<QLabel*>(QString::fromLatin1(name))) {
            l->setText(QString::fromLatin1(text));
        }
    }
    for (const char* name : {"browse1", "browse2"}) {
        if (auto* b = findChild<QPushButton*>(QString::fromLatin1(name))) {
            b->setText(QStringLiteral("Browse..."));
        }
    }
    if (auto* box = findChild<QDialogButtonBox*>()) {
        box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
        box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    }
    const int position = listPosition_->currentIndex();
    listPosition_->clear();
    listPosition_->addItems({QStringLiteral("After | Before"), QStringLiteral("Before | After")});
    listPosition_->setCurrentIndex(position);
    const int image = image_->currentIndex();
    image_->clear();
    image_->addItems({QStringLiteral("Display character"), QStringLiteral("No character"),
                      QStringLiteral("No image")});
    image_->setCurrentIndex(image);
}

void SettingsDialog::load(const DisplaySettings& v) {
    setCaptions();
    listPosition_->setCurrentIndex(std::clamp(v.listPosition, 0, 1));
    image_->setCurrentIndex(std::clamp(v.image, 0, 2));
    statusWidth_->setValue(v.statusWidth);
    colours_[0]->setValue(v.deletedColour);
    colours_[1]->setValue(v.addedColour);
    colours_[2]->setValue(v.blankColour);
    helpPaths_[0]->setText(fromEngineText(v.helpPath1));
    helpExtensions_[0]->setText(fromEngineText(v.help1Extension));
    helpPaths_[1]->setText(fromEngineText(v.helpPath2));
    helpExtensions_[1]->setText(fromEngineText(v.help2Extension));
}

DisplaySettings SettingsDialog::values() const {
    DisplaySettings v;
    v.listPosition = listPosition_->currentIndex();
    v.image = image_->currentIndex();
    v.statusWidth = statusWidth_->value();
    v.deletedColour = colours_[0]->value();
    v.addedColour = colours_[1]->value();
    v.blankColour = colours_[2]->value();
    v.helpPath1 = helpPaths_[0]->text().toStdString();
    v.help1Extension = helpExtensions_[0]->text().toStdString();
    v.helpPath2 = helpPaths_[1]->text().toStdString();
    v.help2Extension = helpExtensions_[1]->text().toStdString();
    return v;
}

void SettingsDialog::browse(int help) {
    QLineEdit* edit = helpPaths_[static_cast<std::size_t>(help - 1)];
    const QString folder = files_.folder(
        this, help == 1 ? QStringLiteral("Help1") : QStringLiteral("Help2"), edit->text());
    // A path of two characters or fewer is no choice.
    if (folder.size() > 2) {
        edit->setText(folder);
    }
}

// ---------------------------------------------------------------------------------------------

MonitorDialog::MonitorDialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
    setWindowTitle(QStringLiteral("Internal Data"));
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(0, 3, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("Data name"), QStringLiteral("Data")});
    table_->setShowGrid(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->setColumnWidth(1, 200);
    table_->setColumnWidth(2, 250);
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(539, 336);
}

void MonitorDialog::fill(const std::vector<MonitorRow>& rows) {
    table_->setUpdatesEnabled(false);
    table_->setRowCount(0);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const MonitorRow& row = rows[static_cast<std::size_t>(r)];
        table_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(row.number)));
        table_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(row.name)));
        table_->setItem(r, 2, new QTableWidgetItem(fromEngineText(row.value)));
    }
    table_->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------------------------

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
    setWindowTitle(QStringLiteral("Version information"));
    auto* layout = new QHBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* inner = new QVBoxLayout(panel);
    inner->addWidget(
        new LogoWidget(QStringLiteral(":/art/logo-lumora.svg"), QSize(215, 48), panel));
    for (const char* text :
         {"Version 1.68E", "Compares two versions of a module and counts the changed steps.",
          "Free to use within the terms the program is distributed with."}) {
        auto* label = new QLabel(QString::fromLatin1(text), panel);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        inner->addWidget(label);
    }
    layout->addWidget(panel);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignTop);
    resize(338, 130);
}

}  // namespace tavelin::ui
