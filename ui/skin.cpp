#include "ui/skin.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>

namespace quillet {

QColor tint(const QColor& base, const SkinTint& t) {
    const int h = base.hsvHue() < 0 ? 0 : base.hsvHue();
    const int s = std::clamp(base.hsvSaturation() + t.saturation, 0, 255);
    const int v = std::clamp(base.value() + t.brightness, 0, 255);
    // A grey has no hue: tinting leaves it grey.
    if (base.hsvHue() < 0) return QColor::fromHsv(-1, s, v);
    return QColor::fromHsv((h + t.hue) % 360, s, v);
}

SkinPalette skin_palette(const SkinTint& t) {
    SkinPalette p;
    p.accent = tint(QColor(0x3A, 0x78, 0xC3), t);
    p.face = tint(QColor(0xEE, 0xF3, 0xF9), t);
    p.face_top = tint(QColor(0xFA, 0xFC, 0xFE), t);
    p.border = tint(QColor(0x8D, 0xA6, 0xC4), t);
    p.hover = tint(QColor(0xDD, 0xE8, 0xF5), t);
    p.pressed = tint(QColor(0xC3, 0xD5, 0xEA), t);
    p.selection = tint(QColor(0x3A, 0x78, 0xC3), t);
    p.disabled_text = QColor(0x8F, 0x8F, 0x8F);
    return p;
}

QString skin_style_sheet(const SkinPalette& p) {
    const auto c = [](const QColor& q) { return q.name(); };
    QString s = QStringLiteral(
        "QPushButton { color: #000000; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 %1, stop:1 %2); border: 1px solid %3; border-radius: 3px; padding: 0px; }"
        "QPushButton:hover { background: %4; border-color: %5; }"
        "QPushButton:pressed { background: %6; }"
        "QPushButton:disabled { color: %7; background: %2; border-color: #C9C9C9; }"
        "QLineEdit { background: #FFFFFF; border: 1px solid %3; padding: 0px 2px; }"
        "QLineEdit:focus { border-color: %5; }"
        "QComboBox { background: #FFFFFF; border: 1px solid %3; padding: 0px 4px; }"
        "QComboBox:disabled { color: %7; background: %2; border-color: #C9C9C9; }"
        "QComboBox QAbstractItemView { selection-background-color: %8; "
        "selection-color: #FFFFFF; }"
        "QListWidget, QTreeWidget { background: #FFFFFF; border: 1px solid %3;"
        " selection-background-color: %8; selection-color: #FFFFFF; }"
        "QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 %1, stop:1 %2); border: 0px; border-right: 1px solid %3;"
        " border-bottom: 1px solid %3; padding: 2px 4px; }"
        "QMenu { background: #FFFFFF; border: 1px solid %3; }"
        "QMenu::item { padding: 4px 24px 4px 20px; }"
        "QMenu::item:selected { background: %4; color: #000000; }"
        "QMenu::item:disabled { color: %7; }"
        "QTabWidget::pane { border: 1px solid %3; }"
        "QTabBar::tab { background: %2; border: 1px solid %3; padding: 3px 10px; }"
        "QTabBar::tab:selected { background: #FFFFFF; border-bottom-color: #FFFFFF; }"
        "QScrollBar:vertical { background: %2; width: 14px; margin: 0px; }"
        "QScrollBar::handle:vertical { background: %6; border: 1px solid %3;"
        " border-radius: 3px; min-height: 20px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0px; width: 0px; }"
        "QScrollBar:horizontal { background: %2; height: 14px; margin: 0px; }"
        "QScrollBar::handle:horizontal { background: %6; border: 1px solid %3;"
        " border-radius: 3px; min-width: 20px; }");
    return s.arg(c(p.face_top), c(p.face), c(p.border), c(p.hover), c(p.accent), c(p.pressed),
                 c(p.disabled_text), c(p.selection));
}

void install_font_substitutes() {
    const QStringList families = QFontDatabase::families();
    const auto first_present = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (families.contains(QString::fromLatin1(n), Qt::CaseInsensitive))
                return QString::fromLatin1(n);
        return QString();
    };
    const QString song = first_present({"Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK SC"});
    const QString hei =
        first_present({"Noto Sans CJK SC", "WenQuanYi Micro Hei", "Droid Sans Fallback"});
    if (!song.isEmpty() && !families.contains(QStringLiteral("SimSun"))) {
        QFont::insertSubstitution(QStringLiteral("SimSun"), song);
        QFont::insertSubstitution(QString::fromUtf8("宋体"), song);
    }
    if (!hei.isEmpty() && !families.contains(QStringLiteral("Microsoft YaHei"))) {
        QFont::insertSubstitution(QStringLiteral("Microsoft YaHei"), hei);
        QFont::insertSubstitution(QString::fromUtf8("微软雅黑"), hei);
    }
}

bool has_chinese_face() {
    return !QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty();
}

void apply_skin(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    install_font_substitutes();
    // The forms were laid out for a 12-pixel default face.
    QFont f = app.font();
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("Noto Sans CJK SC")))
        f.setFamilies({QStringLiteral("Noto Sans CJK SC")});
    f.setPixelSize(12);
    app.setFont(f);
    app.setStyleSheet(skin_style_sheet(skin_palette()));
}

}  // namespace quillet
