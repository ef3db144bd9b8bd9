#include "GenFixture.h"
