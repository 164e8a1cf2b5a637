// The program: the application object and the framework's entry.
#include "platform/wx/WxBackend.h"
#include "ui/CVarloApp.h"

CVarloApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
