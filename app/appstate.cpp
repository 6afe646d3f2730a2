#include "app/appstate.h"

AppStateRec AppState;
