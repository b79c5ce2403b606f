#pragma once
// The one look laid over every window: a style sheet whose colours come from
// a small scheme of base colours, each tinted by the skin's colour settings
// (hue +4, saturation and brightness unchanged), and the CJK faces that stand
// in for the two Windows faces the forms name.
#include <QColor>
#include <QString>

class QApplication;

namespace quillet {

struct SkinTint {
    int hue = 4;  // degrees added to every base colour's hue
    int saturation = 0;
    int brightness = 0;
};

// The skin's colours after tinting. The untinted scheme is a soft steel blue:
// accent #3A78C3, face #EEF3F9, border #8DA6C4, hover #DDE8F5, pressed
// #C3D5EA, selection #3A78C3, disabled text #8F8F8F.
struct SkinPalette {
    QColor accent, face, face_top, border, hover, pressed, selection, disabled_text;
};

QColor tint(const QColor& base, const SkinTint& t);
SkinPalette skin_palette(const SkinTint& t = {});
QString skin_style_sheet(const SkinPalette& p);

// Maps the forms' faces ("SimSun"/"宋体", "Microsoft YaHei"/"微软雅黑") to the
// closest installed CJK faces; a face that is missing is left to the platform.
void install_font_substitutes();

// Whether any installed face has the Chinese characters the windows show
// (without one every character is an empty box).
bool has_chinese_face();

// Fusion style, the style sheet, the 12-pixel default face and the font
// substitutes. A platform without the fonts keeps running in its own faces.
void apply_skin(QApplication& app);

}  // namespace quillet
