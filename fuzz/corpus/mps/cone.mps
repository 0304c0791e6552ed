NAME          CONE
ROWS
 N  obj
 L  c1
COLUMNS
    t         obj       1
    x1        c1        1
    x2        c1        1
RHS
    rhs       c1        1
BOUNDS
 FR bnd       x1
 FR bnd       x2
CSECTION      k1        0              QUAD
    t
    x1
    x2
ENDATA
