#pragma once

#include "resources/Layouts.h"

#include <QFont>
#include <QHash>
#include <QRect>

class QWidget;

namespace vq3::ui {

// "Arial" 9 point, the font of every dialog template (Liberation Sans stands in for Arial).
QFont DialogFont();

// Dialog units to pixels from the dialog font's metrics: a horizontal unit is a quarter of
// the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

// Creates the layout's controls on the client widget in template order (also the tab order),
// sets the dialog font, names each control "idc_<id>" and makes the controls inside a group
// box its children. Sizes the client widget to the template. Returns the controls that have
// an identifier.
QHash<int, QWidget*> BuildControls(QWidget* client, const resources::WindowLayout& layout);

// Object name of a control: "idc_<id>".
QString ControlName(int id);

} // namespace vq3::ui
