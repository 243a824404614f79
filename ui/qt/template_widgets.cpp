#include "ui/qt/template_widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>

#include <limits>

namespace ui::qt {

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text)
{
    return text.toStdU16String();
}

DialogBase DialogBase::FromFont(const QFontMetrics& metrics)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return DialogBase{(metrics.horizontalAdvance(letters) / 26 + 1) / 2, metrics.height()};
}

QRect DialogBase::ToPixels(const Rect16& rect) const
{
    const int left = rect.x * charWidth / 4;
    const int top = rect.y * charHeight / 8;
    const int right = (rect.x + rect.width) * charWidth / 4;
    const int bottom = (rect.y + rect.height) * charHeight / 8;
    return QRect(left, top, right - left, bottom - top);
}

QSize DialogBase::ToPixels(int width, int height) const
{
    return QSize(width * charWidth / 4, height * charHeight / 8);
}

namespace {

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent, const std::function<void(int)>& onCommand)
{
    const QString text = ToQString(control.text);
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultButton: {
        auto* button = new QPushButton(text, parent);  // owned by parent
        button->setAutoDefault(false);
        button->setDefault(control.kind == ControlKind::DefaultButton);
        const int id = control.id;
        QObject::connect(button, &QPushButton::clicked, parent, [onCommand, id] { onCommand(id); });
        return button;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::Label: {
        auto* label = new QLabel(text, parent);
        label->setAlignment((control.style & 0xF) == style::SsRight ? Qt::AlignRight | Qt::AlignTop
                                                                      : Qt::AlignLeft | Qt::AlignTop);
        if (control.style & style::Border)
            label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(text, parent);
        // No limit of its own: an address is taken whole, however long.
        edit->setMaxLength(std::numeric_limits<int>::max());
        return edit;
    }
    case ControlKind::RichEdit: {
        auto* edit = new QTextEdit(parent);
        edit->setAcceptRichText(true);
        edit->setTabChangesFocus(true);
        if (control.style & style::VScroll)
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return edit;
    }
    case ControlKind::ListView:
        return new QTableView(parent);
    }
    return nullptr;
}

}  // namespace

TemplateWidgets CreateTemplateControls(const DialogTemplate& dialog, QWidget* parent, const DialogBase& base,
                                       const std::function<void(int)>& onCommand)
{
    TemplateWidgets widgets;
    QWidget* previous = nullptr;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(control, parent, onCommand);
        if (!widget)
            continue;
        widget->setGeometry(base.ToPixels(control.rect));
        if (control.style & style::Disabled)
            widget->setEnabled(false);
        if (control.kind == ControlKind::GroupBox) {
            // A frame drawn behind the controls it surrounds, never in their way.
            widget->lower();
            widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        if (control.kind == ControlKind::Label || control.kind == ControlKind::GroupBox) {
            widget->setFocusPolicy(Qt::NoFocus);
        } else if (control.style & style::TabStop) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        } else {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        if (control.id != kIdNone)
            widgets.byId[control.id] = widget;
    }
    return widgets;
}

}  // namespace ui::qt
