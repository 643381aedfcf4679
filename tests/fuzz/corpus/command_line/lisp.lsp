(princ "a\"b")
(command "LEADER" "0,0" "10,10" "")
