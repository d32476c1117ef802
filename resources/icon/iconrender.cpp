// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program's SVG icon to the PNG sizes that the desktop's icon theme
// and the window icon use. Run at build time, so the PNGs always match the SVG
// and no binary copy of the artwork needs to be kept in the repository.
//
//   iconrender ICON.svg SIZE OUT.png [SIZE OUT.png ...]

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 2) % 2 != 0) {
        std::fputs("usage: iconrender ICON.svg SIZE OUT.png [SIZE OUT.png ...]\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "iconrender: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; i += 2) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 4096) {
            std::fprintf(stderr, "iconrender: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        if (!image.save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "iconrender: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
