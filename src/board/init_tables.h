// Builds every constant table of the engine once, in start-up order.
#pragma once

void InitEngineTables();
