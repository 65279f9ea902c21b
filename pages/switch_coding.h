#pragma once

// Program-wide node-address notation: 0 = BCD shown in hexadecimal, any other
// value = binary shown in decimal. Set by the general page (settings load and
// block fill), read by the fieldbus page. 0 at start.
int SwitchCodingMode();
void SetSwitchCodingMode(int mode);
