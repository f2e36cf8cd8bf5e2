#pragma once

// Resource identifiers shared by the code and the resource script.
#define IDI_APP 1
#define IDB_PICTURE 101
