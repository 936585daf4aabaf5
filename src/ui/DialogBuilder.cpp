#include "ui/DialogBuilder.h"

#include "resources/ControlIds.h"
#include "ui/CTrafficView.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVector>

namespace vq3::ui {

using resources::ControlKind;
using resources::ControlLayout;

QFont DialogFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    m_baseY = metrics.height();
    if (m_baseX <= 0)
        m_baseX = 6;
    if (m_baseY <= 0)
        m_baseY = 13;
}

int DialogUnits::X(int units) const {
    return (units * m_baseX + 2) / 4;
}
int DialogUnits::Y(int units) const {
    return (units * m_baseY + 4) / 8;
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

QString ControlName(int id) {
    return QStringLiteral("idc_%1").arg(id);
}

namespace {

QWidget* MakeControl(const ControlLayout& c, QWidget* parent) {
    const QString text = QString::fromLatin1(c.text);
    switch (c.kind) {
    case ControlKind::Edit:
        return new QLineEdit(text, parent);
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
        auto* button = new QPushButton(text, parent);
        button->setDefault(c.kind == ControlKind::DefaultButton);
        return button;
    }
    case ControlKind::DropList:
        return new QComboBox(parent);
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::Label:
    case ControlKind::CenteredLabel: {
        auto* label = new QLabel(text, parent);
        if (c.kind == ControlKind::CenteredLabel)
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return label;
    }
    case ControlKind::ReadOut:
    case ControlKind::Indicator: {
        auto* label = new QLabel(text, parent);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    case ControlKind::TrafficView:
        return new CTrafficView(parent);
    case ControlKind::Icon: {
        auto* label = new QLabel(parent);
        label->setPixmap(QApplication::windowIcon().pixmap(32, 32));
        return label;
    }
    }
    return new QWidget(parent);
}

// A drop-down list's height is its open height; only its closed box must lie inside.
bool Contains(const ControlLayout& outer, const ControlLayout& inner) {
    const int height = inner.kind == ControlKind::DropList ? 12 : inner.height;
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + height <= outer.y + outer.height;
}

} // namespace

QHash<int, QWidget*> BuildControls(QWidget* client, const resources::WindowLayout& layout) {
    const QFont font = DialogFont();
    client->setFont(font);
    const DialogUnits units(font);
    client->setFixedSize(units.X(layout.width), units.Y(layout.height));

    // Group boxes first, so that the controls they frame can become their children.
    QVector<QPair<const ControlLayout*, QWidget*>> groups;
    QHash<int, QWidget*> controls;
    QVector<QWidget*> tabOrder;
    for (const ControlLayout& c : layout.controls) {
        if (c.kind != ControlKind::GroupBox)
            continue;
        QWidget* box = MakeControl(c, client);
        box->setGeometry(units.ToPixels(c.x, c.y, c.width, c.height));
        box->lower();
        if (c.id != resources::idc::Static) {
            box->setObjectName(ControlName(c.id));
            controls.insert(c.id, box);
        }
        groups.append({&c, box});
    }
    for (const ControlLayout& c : layout.controls) {
        if (c.kind == ControlKind::GroupBox)
            continue;
        QWidget* parent = client;
        int originX = 0;
        int originY = 0;
        for (const auto& [groupLayout, box] : groups) {
            if (Contains(*groupLayout, c)) {
                parent = box;
                originX = groupLayout->x;
                originY = groupLayout->y;
            }
        }
        QWidget* control = MakeControl(c, parent);
        QRect place = units.ToPixels(c.x, c.y, c.width, c.height);
        place.translate(-units.X(originX), -units.Y(originY));
        if (c.kind == ControlKind::DropList)
            place.setHeight(control->sizeHint().height());
        control->setGeometry(place);
        if (c.id != resources::idc::Static) {
            control->setObjectName(ControlName(c.id));
            controls.insert(c.id, control);
        }
        if (control->focusPolicy() != Qt::NoFocus)
            tabOrder.append(control);
    }
    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    return controls;
}

} // namespace vq3::ui
