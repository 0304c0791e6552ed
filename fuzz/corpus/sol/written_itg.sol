ANAME                : 
PROBLEM STATUS      : UNKNOWN
SOLUTION STATUS     : UNKNOWN
OBJECTIVE NAME      : obj
PRIMAL OBJECTIVE    : 0.00000000e+00    

CONSTRAINTS
INDEX      NAME    AT ACTIVITY                 LOWER LIMIT        UPPER LIMIT       
0          c1      BS 5.00000000000000e-01     -1.00000000e+00    2.00000000e+00    
1          row two EQ 1.00000000000000e+00     1.00000000e+00     1.00000000e+00    
2          obj     UL -3.25000000000000e-07    NONE               NONE              

VARIABLES
INDEX      NAME    AT ACTIVITY                 LOWER LIMIT        UPPER LIMIT       
0          x1      SB 1.00000000000000e+10     NONE               NONE              
1          x2      LL -2.50000000000000e+00    NONE               3.00000000e+00    
2          x3      BS 1.25000000000000e-01     0.00000000e+00     0.00000000e+00    
3          y       UN 7.00000000000000e+00     0.00000000e+00     0.00000000e+00    
