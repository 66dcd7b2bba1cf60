#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Hands web pages and folders to the desktop (browser, file manager). Where none is set up
// the desktop answers false, and the caller says so in the window: never silence.
class KPDesktop
{
public:
    KPDesktop() = delete;

    // Opens a page or a folder; true when the desktop took it. Tests replace the opening.
    using Opener = std::function<bool(const QUrl&)>;
    static bool open(const QUrl& url, const Opener& replacement = {});

    // What a message shows of the address: a local file's path, any other address whole.
    static QString shownPath(const QUrl& url);
};
