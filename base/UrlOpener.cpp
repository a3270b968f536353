#include "base/UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

bool OpenWithDesktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

UrlOpener& Opener()
{
    static UrlOpener opener = OpenWithDesktop;
    return opener;
}

}  // namespace

UrlOpener SetUrlOpener(UrlOpener opener)
{
    UrlOpener previous = std::move(Opener());
    Opener() = opener ? std::move(opener) : UrlOpener(OpenWithDesktop);
    return previous;
}

bool OpenUrl(const QUrl& url)
{
    // A copy: the opener may replace itself while it runs.
    const UrlOpener opener = Opener();
    return opener(url);
}
