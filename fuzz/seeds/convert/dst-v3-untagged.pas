~VERSION,PASTYPE.,DST,x,
~VERSION,VERS.,3.0,x,
~DTG,1,2,3,
~DTG (1),4,5,6,
~DTG(2),7,8,
~DTG,9,
# no numbered row follows
~DTFG (1),a,b,
~DTFCC,1,2,
