#pragma once

#include <QString>

// The program's help window.
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    virtual void ShowContents() = 0;
    virtual void Close() = 0;
};

// The desktop's web browser. Opening never blocks the window.
class Browser {
  public:
    virtual ~Browser() = default;
    virtual void OpenAddress(const QString& address) = 0;
};
