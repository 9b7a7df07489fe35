// The LCD's stand-in for screen readers, named by the text the LCD shows
// while one listens.
#include "app/lcd_voice.h"

#include "app/host_state.h"

LcdVoice::LcdVoice(QWidget* panel) : QWidget(panel), listening_(QAccessible::isActive()) {
    setObjectName(QStringLiteral("lcd"));
    setAccessibleDescription(QStringLiteral("The counter's LCD"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    QAccessible::installActivationObserver(this);
}

LcdVoice::~LcdVoice() { QAccessible::removeActivationObserver(this); }

void LcdVoice::Hear(const LcdBits& picture) {
    heard_ = picture;
    stale_ = true;
    if (listening_) Speak();
}

void LcdVoice::accessibilityActiveChanged(bool active) {
    listening_ = active;
    if (listening_ && stale_) Speak();
}

void LcdVoice::Speak() {
    if (expanded_ == nullptr) expanded_ = std::make_unique<LcdPicture>();
    LcdExpand(heard_, *expanded_);
    setAccessibleName(LcdSpokenText(*expanded_));
    stale_ = false;
}
