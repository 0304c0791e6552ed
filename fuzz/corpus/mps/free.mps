NAME F
OBJSENSE
    MAX
ROWS
 N obj
	G c1
 E c2
COLUMNS
 M 'MARKER' 'INTORG'
 x	obj 1 c1 2
 M 'MARKER' 'INTEND'
 y obj -1 c2 1.5D1
RHS
 rhs obj 3 c1 4
 rhs c2 1
RANGES
 rng c2 -2 c1 1
BOUNDS
 UP bnd x 3
 MI bnd y
 UI bnd y 2.5
SETS
 whatever
ENDATA


