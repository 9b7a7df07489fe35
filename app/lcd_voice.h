// The LCD's stand-in for screen readers: an empty child laid over the LCD
// whose accessible name is what the LCD says. Reading text out of the
// picture is the costly part of a hand-over, so it is done only while an
// assistive technology listens; one that starts listening later hears the
// latest picture at once.
#pragma once

#include <QAccessible>
#include <QWidget>
#include <memory>

#include "platform/lcd.h"

class LcdVoice : public QWidget, public QAccessible::ActivationObserver {
public:
    explicit LcdVoice(QWidget* panel);
    ~LcdVoice() override;

    // A new picture handed over.
    void Hear(const LcdBits& picture);

    void accessibilityActiveChanged(bool active) override;

private:
    void Speak();

    bool listening_ = false;
    bool stale_ = false;  // heard_ is not yet what the name says
    LcdBits heard_{};
    std::unique_ptr<LcdPicture> expanded_;  // 62 KB: kept off the stack, made once
};
