// The toolkit's floor for start-up: an application object and one empty window of the main
// window's client size, nothing else.
//
// Given a file descriptor as its only argument, it delivers pending events once after showing
// the window (which paints it on the offscreen platform) and writes the monotonic clock in
// nanoseconds to the descriptor, as bench_startup_probe does for our program.

#include "bench_util.h"

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(334, 332);
    window.show();
    if (argc > 1) {
        QCoreApplication::processEvents();
        const std::string stamp = std::to_string(bench::monotonicNanoseconds()) + "\n";
        const int fd = std::atoi(argv[1]);
        if (::write(fd, stamp.data(), stamp.size()) < 0)
            return 1;
        ::close(fd);
    }
    return app.exec();
}
