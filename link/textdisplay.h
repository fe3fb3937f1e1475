#pragma once

#include <QString>

// A one-line text display (a text box) that the terminal driver's scan writes its progress to.
class TextDisplay
{
public:
    virtual ~TextDisplay() = default;
    virtual void setText(const QString &text) = 0;
};
