// The application object that the user-interface layer works in (a widgets application), made
// once by main() before anything else of the layer is used.
#pragma once

#include <memory>

class QCoreApplication;

std::unique_ptr<QCoreApplication> NewUserInterfaceApplication(int &argc, char **argv);
