// Moving the parameter set between the two parameter pages, the record and the sensor's RAM or
// EEPROM (orders 1 to 4), with the sensor's plausibility reports.
#pragma once

void GetPanelValues(); // all 26 controls -> Parameters
void SetPanelValues(); // Parameters -> all 26 controls
void SendPara();       // pages -> sensor (RAM, and with EEPROM selected also order 3)
void GetPara();        // sensor -> record and pages (with EEPROM selected first order 4)
