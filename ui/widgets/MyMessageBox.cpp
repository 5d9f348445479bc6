#include "ui/widgets/MyMessageBox.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "ui/widgets/BandDrag.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

#include <QColor>
#include <QKeyEvent>
#include <QLabel>

namespace {

int g_messageBoxResult = 0;
bool g_messageBoxClosed = false;

} // namespace

int MyMessageBox::result()
{
    return g_messageBoxResult;
}

bool MyMessageBox::closedFlag()
{
    return g_messageBoxClosed;
}

void MyMessageBox::resetFlags()
{
    g_messageBoxResult = 0;
    g_messageBoxClosed = false;
}

MyMessageBox::MyMessageBox(QWidget* parent, const QString& title, const QString& message, int mode,
                           const QStringList& captions)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), mode_(std::clamp(mode, 1, 3))
{
    const AppContext& app = appContext();
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground);
    background_ = QPixmap(app.skinDirectory + QStringLiteral("messageBox/messageBox.png"));
    resize(background_.isNull() ? QSize(560, 300) : background_.size());

    title_ = new QLabel(title, this);
    title_->setFont(app.skin.heading.font());
    // The title sits on the box's dark top band.
    title_->setStyleSheet(QStringLiteral("color:rgb(255,255,255)"));
    message_ = new QLabel(message, this);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignCenter);
    message_->setFont(app.skin.text.font());
    message_->setStyleSheet(QStringLiteral("color:rgb(0,38,102)"));

    quit_ = new Button(this);
    quit_->setSkin(QStringLiteral("quit1.png"), QStringLiteral("quit2.png"),
                   QStringLiteral("quit2.png"), QString());
    connect(quit_, &Button::clicked, this, &MyMessageBox::QuitButSlot);

    const QString ok = app.text(kTextOk).isEmpty() ? QStringLiteral("OK") : app.text(kTextOk);
    QStringList names = mode_ == 3   ? QStringList{QString(), ok, app.text(kTextCancel)}
                        : mode_ == 2 ? QStringList{ok, app.text(kTextCancel)}
                                     : QStringList{ok};
    for (int i = 0; i < names.size() && i < captions.size(); ++i)
        names[i] = captions[i];
    for (int i = 0; i < mode_; ++i) {
        auto* b = new Button(this);
        b->setSkin(QStringLiteral("button_Normal.png"), QStringLiteral("button_Focus.png"),
                   QStringLiteral("button_Press.png"), QStringLiteral("button_Enabled.png"));
        // White captions on the blue buttons, as on every other skinned push button.
        b->setColors(255, 255, 255, 255, 255, 255, 220, 232, 245, 150, 150, 150);
        b->setCaption(names[i]);
        buttons_.push_back(b);
    }
    const std::vector<void (MyMessageBox::*)()> handlers =
        mode_ == 3   ? std::vector<void (MyMessageBox::*)()>{&MyMessageBox::ChooseButtonSlot,
                                                             &MyMessageBox::OKButtonSlot,
                                                             &MyMessageBox::CancelButtonSlot}
        : mode_ == 2 ? std::vector<void (MyMessageBox::*)()>{&MyMessageBox::OKButtonSlot,
                                                             &MyMessageBox::CancelButtonSlot}
                     : std::vector<void (MyMessageBox::*)()>{&MyMessageBox::OKButtonSlot};
    for (size_t i = 0; i < buttons_.size(); ++i)
        connect(buttons_[i], &Button::clicked, this, handlers[i]);

    // Geometry in proportion to the box, so that every skin size lays out alike.
    const int w = width();
    const int h = height();
    const int band = dragBandHeight();
    title_->setGeometry(w / 28, 0, w * 3 / 4, band);
    quit_->setGeometry(w - band - w / 60, (band - band * 3 / 4) / 2, band * 3 / 4, band * 3 / 4);
    message_->setGeometry(w / 14, band + h / 20, w - w / 7, h * 11 / 20);
    const int bw = w * 2 / 7;
    const int bh = h / 6;
    const int gap = w / 28;
    const int total = mode_ * bw + (mode_ - 1) * gap;
    for (int i = 0; i < mode_; ++i)
        buttons_[static_cast<size_t>(i)]->setGeometry((w - total) / 2 + i * (bw + gap),
                                                      h - bh - h / 12, bw, bh);

    drag_ = new BandDrag(this);
}

MyMessageBox::~MyMessageBox() = default;

int MyMessageBox::dragBandHeight() const
{
    return BandDrag::bandHeightOf(this);
}

QPoint MyMessageBox::dragOffset() const
{
    return drag_->offset();
}

QString MyMessageBox::messageText() const
{
    return message_->text();
}

Button* MyMessageBox::button(int index) const
{
    return index >= 1 && index <= mode_ ? buttons_[static_cast<size_t>(index - 1)] : nullptr;
}

int MyMessageBox::run()
{
    exec();
    return g_messageBoxResult;
}

void MyMessageBox::finish(int result)
{
    g_messageBoxResult = result;
    g_messageBoxClosed = true;
    done(result);
}

void MyMessageBox::QuitButSlot()
{
    finish(kCancel);
}

void MyMessageBox::CancelButtonSlot()
{
    finish(kCancel);
}

void MyMessageBox::OKButtonSlot()
{
    finish(kOk);
}

void MyMessageBox::ChooseButtonSlot()
{
    finish(kChoose);
}

void MyMessageBox::select(int index)
{
    selected_ = index;
    for (int i = 1; i <= mode_; ++i)
        button(i)->setHighlighted(i == index);
}

void MyMessageBox::pressSelected()
{
    if (selected_ < 1 || selected_ > mode_)
        return;
    emit button(selected_)->clicked();
}

void MyMessageBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        finish(kCancel);
        return;
    case Qt::Key_Tab:
        select(mode_ == 1 ? 1 : selected_ % mode_ + 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mode_ == 1)
            finish(kCancel);
        else
            pressSelected();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void MyMessageBox::paintEvent(QPaintEvent*)
{
    skinned_parts::paintBackground(*this, background_, QColor(240, 244, 250));
}
