#include "form1.h"

#include "ui/application.h"

int main(int argc, char** argv) {
    return ui::runWithLargeStack([&] {
        ui::Application app(argc, argv);
        Form1 form;
        form.Form_Load();
        form.show();
        return app.run();
    });
}
