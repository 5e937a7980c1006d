#include "app/PngOutput.h"

#include "cli/ExitCode.h"
#include "cli/InterruptGuard.h"
#include "wavio/ReplaceFile.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace corvane::app {

// The window needs an application object; a test process may have one.
std::unique_ptr<QApplication> ensureApplication()
{
    if (QApplication::instance() != nullptr)
        return nullptr;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "corvane";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// The PNG is made in memory and stored through the same replacing writer as
// every other file, so the target is the whole new picture or what it was.
bool encodePng(const QImage& image, std::string& png, std::string& why)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        why = writer.errorString().toStdString();
        return false;
    }
    png.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

int writePng(const QImage& image, const std::string& path, const std::string& command, std::ostream& err)
{
    std::string bytes;
    if (std::string why; !encodePng(image, bytes, why)) {
        err << "corvane " << command << ": cannot write '" << path << "': " << why << '\n';
        return cli::Failed;
    }
    cli::InterruptGuard interrupt;
    wavio::ReplaceFile file;
    int e = file.open(path);
    if (e == 0 && !file.write(bytes.data(), bytes.size()))
        e = file.writeError();
    if (interrupt.interrupted()) {
        file.discard();
        return interrupt.signalNumber() == SIGPIPE ? cli::BrokenPipe : interrupt.exitCode();
    }
    if (e == 0)
        e = file.commit();
    if (e == EPIPE)
        return cli::BrokenPipe;
    if (e != 0) {
        err << "corvane " << command << ": cannot write '" << path << "': " << std::strerror(e) << '\n';
        return cli::Failed;
    }
    return cli::Ok;
}

} // namespace corvane::app
