(command "_-INSERT" "name" "S" 1 "R" 0)(princ)
