#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>

// The skinned button of every window: a picture per state (normal, focus, pressed,
// disabled) with a caption drawn over it in the state's colour.
class Button : public QLabel {
    Q_OBJECT
public:
    explicit Button(QWidget* parent = nullptr);

    void setNormalPixmap(const QPixmap& pixmap);
    void setFocusPixmap(const QPixmap& pixmap);
    void setPressedPixmap(const QPixmap& pixmap);
    void setDisabledPixmap(const QPixmap& pixmap);
    // Loads the four state images from the skin folder; an empty name keeps that state's
    // picture unset (entering the state leaves the look unchanged).
    void setSkin(const QString& normal, const QString& focus, const QString& pressed,
                 const QString& disabled);
    // Red, green, blue of the normal, focus, pressed and disabled captions.
    void setColors(int nr, int ng, int nb, int fr, int fg, int fb, int pr, int pg, int pb, int dr,
                   int dg, int db);

    void setButtonEnabled(bool enabled);
    bool isButtonEnabled() const { return enabled_; }
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return highlighted_; }
    bool isPressed() const { return pressed_; }

    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setCaptionFont(const QFont& font);
    // 0: caption centred; any other value: caption in the lower part (menu tiles with an
    // icon above).
    void setAlignmentValue(int value);
    // Where the caption is drawn, and the font it is drawn with there (the caption
    // font, smaller where the text would not fit otherwise).
    QRect captionArea() const;
    QFont drawnCaptionFont() const;

    // What the button shows now (for tests and drawing).
    enum class Look { Normal, Focus, Pressed, Disabled };
    Look look() const { return look_; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyLook(Look look);

    QPixmap pixmaps_[4];
    QColor colors_[4] = {QColor(255, 255, 255), QColor(255, 255, 255), QColor(230, 230, 230),
                         QColor(150, 150, 150)};
    bool enabled_ = true;
    bool pressed_ = false;
    bool highlighted_ = false;
    QString caption_;
    QFont captionFont_;
    int alignmentValue_ = 0;
    Look look_ = Look::Normal;
};
