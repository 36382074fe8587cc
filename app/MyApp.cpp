#include "app/MyApp.h"
