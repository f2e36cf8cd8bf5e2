#pragma once

// Resource identifiers shared by the code and the resource script.
#define IDI_APP 1
#define IDB_PICTURE 101
#define IDA_SHORTCUTS 201
// Commands of the shortcuts, apart from the controls' identifiers.
#define IDM_COPY 40001
