#pragma once

#include <QSlider>

// The skinned windows' slider: the framework's slider under the name the windows use.
class MySlider : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;
};
