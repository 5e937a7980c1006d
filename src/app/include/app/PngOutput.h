#pragma once

#include <QImage>

#include <iosfwd>
#include <memory>
#include <string>

class QApplication;

namespace corvane::app {

// The application object the image commands need (fonts, widgets); null
// when the process has one already. Without a display the offscreen
// platform is used.
std::unique_ptr<QApplication> ensureApplication();

// Encodes the image as PNG in memory: true, or false with Qt's reason in why.
bool encodePng(const QImage& image, std::string& png, std::string& why);

// Encodes the image as PNG in memory and stores it through the replacing
// writer; the exit code, having told err what went wrong as "corvane
// COMMAND: ...".
int writePng(const QImage& image, const std::string& path, const std::string& command, std::ostream& err);

} // namespace corvane::app
