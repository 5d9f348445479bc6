#include "ui/widgets/EngineeringPanel.h"

#include "app/AppContext.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/CaptionFit.h"
#include "ui/widgets/SkinnedParts.h"

#include <QLabel>
#include <QLineEdit>

EngineeringPanel::EngineeringPanel(QWidget* parent, const QRect& designRect, double scale)
    : QWidget(parent), scale_(scale)
{
    setGeometry(scaled(designRect.x(), designRect.y(), designRect.width(), designRect.height()));
}

QRect EngineeringPanel::scaled(int x, int y, int w, int h) const
{
    return QRect(qRound(x * scale_), qRound(y * scale_), qRound(w * scale_), qRound(h * scale_));
}

Button* EngineeringPanel::addButton(int text, const QRect& r)
{
    Button* b = skinned_parts::pushButton(this, scaled(r.x(), r.y(), r.width(), r.height()), true);
    if (text >= 0)
        captioned_.emplace_back(b, text);
    available_.push_back(b);
    return b;
}

Button* EngineeringPanel::addUnavailableButton(int text, const QRect& r)
{
    Button* b = addButton(text, r);
    available_.pop_back();
    b->setButtonEnabled(false);
    return b;
}

QLabel* EngineeringPanel::addLabel(int text, const QRect& r)
{
    QLabel* l = skinned_parts::label(this, scaled(r.x(), r.y(), r.width(), r.height()));
    if (text >= 0)
        labels_.emplace_back(l, text);
    return l;
}

QLineEdit* EngineeringPanel::addField(const QRect& r, bool enabled)
{
    return skinned_parts::field(this, scaled(r.x(), r.y(), r.width(), r.height()), enabled);
}

QLineEdit* EngineeringPanel::addPathField(const QRect& designRect)
{
    QLineEdit* field = addField(designRect, true);
    field->setReadOnly(true);
    return field;
}

Button* EngineeringPanel::addBrowseButton(const QRect& designRect)
{
    Button* browse = addButton(-1, designRect);
    browse->setCaption(QStringLiteral("..."));
    return browse;
}

void EngineeringPanel::showPath(QLineEdit* field, const QString& path)
{
    field->setText(path);
    field->setCursorPosition(static_cast<int>(path.size()));
    field->setToolTip(path);
}

void EngineeringPanel::setButtonText(Button* button, int text)
{
    for (auto& [b, t] : captioned_)
        if (b == button)
            t = text;
    button->setCaption(appContext().text(text));
}

void EngineeringPanel::setToolsEnabled(bool enabled)
{
    locked_ = !enabled;
    updateButtons();
}

void EngineeringPanel::updateButtons()
{
    for (Button* b : available_)
        b->setButtonEnabled(!locked_ && !busy(b));
}

void EngineeringPanel::refreshTexts()
{
    const AppContext& app = appContext();
    for (auto& [button, text] : captioned_)
        button->setCaption(app.text(text));
    // A label too long in a language is set smaller rather than run into its field.
    for (auto& [label, text] : labels_) {
        label->setText(app.text(text));
        label->setFont(caption_fit::fitted(app.skin.text.font(), label->contentsRect(),
                                           label->text(), caption_fit::kLabelFlags));
    }
}
