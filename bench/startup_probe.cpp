// Our program's start-up as main() does it, for the offscreen platform where nothing outside
// the process can see a window: after showing the main window it delivers pending messages once
// (which paints it, since offscreen windows are exposed when shown) and writes the monotonic
// clock in nanoseconds to the file descriptor given as its argument. Then it runs as usual.

#include "app/form1.h"
#include "bench_util.h"
#include "ui/application.h"
#include "ui/system.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    const int fd = argc > 1 ? std::atoi(argv[1]) : -1;
    return ui::runWithLargeStack([&] {
        ui::Application app(argc, argv);
        Form1 form;
        form.Form_Load();
        form.show();
        if (fd >= 0) {
            ui::deliverPendingMessages();
            const std::string stamp = std::to_string(bench::monotonicNanoseconds()) + "\n";
            if (::write(fd, stamp.data(), stamp.size()) < 0)
                return 1;
            ::close(fd);
        }
        return app.run();
    });
}
