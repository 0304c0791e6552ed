Nheader
CONSTRAINTS
INDEX NAME AT
0   row two  BS 1.5 NONE NONE 0.25 -0.5
* comment

  1 c1       LL 2 1 2 x 3
2   nosuch   BS 1
VARIABLES
INDEX
0 x1       SB 1e-3 NONE NONE 1 2 3
1 y        EQ -0 0 0 1e400 0 0
